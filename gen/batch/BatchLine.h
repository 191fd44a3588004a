// Batch text: one update of the aeronautical database per line, fields separated by '|':
//   command (ADD, DEL) | record type (APT INT NDB VOR RWY FRQ USR; RTE) | ident | fields by type
// This unit holds the reading rules of a line, the word tables and the result codes with the
// listing line that shows a line's result.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Longest line (or piece of a longer line) read at once.
constexpr size_t kBatchLineLength = 159;
// Most fields of a line; text after the 16th separator is ignored.
constexpr size_t kBatchMaxFields = 16;

// Result codes of a line.
enum BatchResult : int {
    kBatchDone = 0,
    kBatchAbs = 1,
    kBatchModified = 2,
    kBatchErrNu = 3,
    kBatchErrFc = 4,
    kBatchErrF1 = 5,
    kBatchErrF2 = 6,
    kBatchErrF3 = 7,
    kBatchErrCid = 8,
    kBatchErrCty = 9,
    kBatchErrFac = 10,
    kBatchErrLat = 11,
    kBatchErrLng = 12,
    kBatchErrCsp = 13,
    kBatchErrDme = 14,
    kBatchErrRwy = 15,
    kBatchErrLit = 16,
    kBatchErrSfc = 17,
    kBatchErrFrq = 18,
    kBatchOk = 19,
    kBatchBadPicture = 20,  // a malformed runway picture field: beyond the table
};

// The text of a result code ("DONE", "ERR-FC" ...), or "INTERNAL ERROR" for a code without one.
const char* BatchResultText(int code);
// True for the codes listed between asterisks: 3 to 18 and codes without a text.
bool IsBatchError(int code);

// Commands and record types.
enum BatchCommand : int { kBatchNoCommand = 0, kBatchAdd = 1, kBatchDel = 2 };
enum BatchType : int {
    kBatchNoType = 0,
    kBatchApt = 1,
    kBatchInt = 2,
    kBatchNdb = 3,
    kBatchVor = 4,
    kBatchRwy = 5,
    kBatchFrq = 6,
    kBatchUsr = 7,
    kBatchRte = 8,
};
BatchCommand BatchCommandOf(std::string_view word);
BatchType BatchTypeOf(std::string_view word);
// Longest ident of a record type (RWY and FRQ lines name their airport).
size_t BatchIdentLimit(BatchType type);

// One batch line after the reading rules.
struct BatchLine {
    std::string text;    // as read, comment cut, trailing blanks cut (shown in the listing)
    std::string upper;   // text upper-cased
    std::array<std::string, kBatchMaxFields> fields;  // fields[0] is field 1 (the command)
    size_t count = 0;    // number of fields
    BatchType type = kBatchNoType;

    // Field n counted from 1, "" beyond the count.
    const std::string& Field(size_t n) const;
    std::string& MutableField(size_t n);
};

// Applies the reading rules to one line as read (without its line end): cuts the line at a NUL
// byte, cuts trailing characters below 33 and with the top bit set, drops a comment ("//" from
// the second character on), upper-cases and splits it. False for a comment line (empty, or
// beginning with '/'), which lists nothing.
bool PrepareBatchLine(std::string_view raw, BatchLine& line);

// Splits text at '|' (runs of separators count as one) into at most 16 fields.
size_t SplitBatchFields(std::string_view text, std::array<std::string, kBatchMaxFields>& fields);

// The listing line of a result: the code's text as "*%s*" (errors) or "(%s)" placed to end
// before column 10 (from column 0 when longer), the line's text from column 11, at most 159
// characters, trailing blanks cut.
std::string FormatBatchResultLine(int code, std::string_view text);
// Whether a code is an error by a model's result table (a success's text is in parentheses), or
// by the framework's when the table is empty.
bool IsBatchError(int code, const std::vector<std::string>& resultTexts);
// The same with a model's result table: its text as it stands when it begins with "(", else
// framed by asterisks; "INTERNAL ERROR" for a code beyond it.
std::string FormatBatchResultLine(int code, std::string_view text, const std::vector<std::string>& resultTexts);
