// Empties one record file of the database: its object closed, its data and index files deleted,
// and the file made anew.
#pragma once

// The file's number (kFileApts ...); true when the record file was made again. A file that
// cannot be deleted is named in a message box ("... - Cannot Unlink") and the erase goes on.
bool EraseRecordFile696(int fileNumber);
