// What the airway and approach compilers of the 696 family share: the source read one record
// block at a time with line numbers, the report of an error, the closing lines and their
// installation as a compile mode of the model.
#pragma once

#include <functional>
#include <string>

#include "gen/shell/GenModel.h"

class CompileSession;
class OperationContext;

// Reads the lines of one block into `dispatch` (the prepared line, leading blanks kept): the
// current line and those after it, until the input ends, an error is set, or a line that begins
// with `startWord` follows a line that did. The failing line is named in the session as
// "Line %d: %s". True when the input has ended.
bool ReadTextBlock696(OperationContext& c, CompileSession& s, int* lineNumber, const char* startWord,
                      const std::function<void(const std::string& line)>& dispatch);

// Reports the session's error (and `explanation` under it when not empty) and ends the operation.
bool FailTextCompile696(OperationContext& c, const char* explanation);

// "Compilation Complete" between two empty lines; the operation ends.
bool FinishTextCompile696(OperationContext& c);

// Makes `driver` the compile mode `mode` of the model, offered as `comboText`.
void InstallTextCompiler696(GenModel& model, int mode, const char* comboText, ModeDriver driver);
