// The change journal "upd_bat.txt": one batch line per change of an airport, intersection, NDB,
// VOR, runway, frequency or user waypoint, in the grammar the generators' batch update reads, so
// that the changes can be replayed into another copy of the database.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

enum JournalType { kJournalApt, kJournalInt, kJournalNdb, kJournalVor, kJournalFrq, kJournalRwy, kJournalUsr,
                   kJournalRte };
constexpr int kJournalAdd = 1;
constexpr int kJournalDel = 0;

// What every line of a type starts from.
struct JournalFields {
    std::string ident;  // digits decoded (USR: as stored)
    int32_t country = -1;
    int32_t first = -1;   // city, or name
    int32_t second = -1;  // facility, or parent
    int32_t latitude = 0;
    int32_t longitude = 0;
    bool at = false;      // the city's '@' mark
    bool olderForm = true;
};

// The fields of the record held in the type's object (FRQ and RWY: the airport held in apts).
JournalFields GetJournalFields(int type);

// Copies "|" and the text into the line; returns the new length.
size_t AppendField(std::string& line, const std::string& text);

// The line for the record held in the type's object (FRQ and RWY: that record, and its airport,
// which is loaded into apts), without its line end. Type kJournalRte gives "".
std::string FormatJournalLine(int operation, int type);

// Writes the line to the journal stream (nothing when there is none): on the run's first write
// the date header, then the line with CR LF, flushed.
void WriteJournalLine(int operation, int type);

// Writes a line made earlier (by FormatJournalLine) as WriteJournalLine does.
void WriteJournalText(const std::string& line);

// The stream the journal lines go to (the journal, or the Batch Dump's file), null for none.
FILE*& JournalStream();

// Forgets the name and country texts read so far (a database opened anew).
void ForgetJournalTexts();

// Closes the journal at the end of the run (the texts are forgotten).
void CloseJournal();
