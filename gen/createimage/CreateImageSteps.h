// The step functions of Create Image. Each does one unit of work per call and answers Again
// while work remains, Next when its work is complete, Stop when it ended the operation.
#pragma once

#include "gen/createimage/CreateImageBuild.h"
#include "gen/image/AirportDetail.h"

class OperationContext;

// Scanning and counting.
StepStatus StepInitialise(OperationContext& c, CreateImageBuild& b);
StepStatus StepScanCountries(OperationContext& c, CreateImageBuild& b);
StepStatus StepScanNames(OperationContext& c, CreateImageBuild& b);
StepStatus StepCountApts(OperationContext& c, CreateImageBuild& b);
// The airports that the image holds: those inside the limit rectangle (and, with
// `flagMakesBrief`, without flag bit 0), and the others too when brief airports are wanted.
StepStatus CountAirports(OperationContext& c, CreateImageBuild& b, bool flagMakesBrief);
// The intersections inside the limit rectangle, kept for their write.
StepStatus StepCountInts(OperationContext& c, CreateImageBuild& b);
StepStatus StepCountNdbs(OperationContext& c, CreateImageBuild& b);
StepStatus StepCountVors(OperationContext& c, CreateImageBuild& b);
StepStatus StepScanApts(OperationContext& c, CreateImageBuild& b);
StepStatus StepScanInts(OperationContext& c, CreateImageBuild& b);
StepStatus StepScanNdbs(OperationContext& c, CreateImageBuild& b);
StepStatus StepScanVors(OperationContext& c, CreateImageBuild& b);
StepStatus StepCountTcc(OperationContext& c, CreateImageBuild& b);
StepStatus StepCountSua(OperationContext& c, CreateImageBuild& b);
StepStatus StepCountApproachIds(OperationContext& c, CreateImageBuild& b);

// Flagging and the tables before the records.
StepStatus StepFlagCountries(OperationContext& c, CreateImageBuild& b);
StepStatus StepFlagNames(OperationContext& c, CreateImageBuild& b);
StepStatus StepFlagApproaches(OperationContext& c, CreateImageBuild& b);
StepStatus StepWriteCountries(OperationContext& c, CreateImageBuild& b);
StepStatus StepWriteNames(OperationContext& c, CreateImageBuild& b);
StepStatus StepWriteApproachIds(OperationContext& c, CreateImageBuild& b);
StepStatus StepWriteDetails(OperationContext& c, CreateImageBuild& b);

// Records and indexes.
StepStatus StepWriteAptRecords(OperationContext& c, CreateImageBuild& b);
StepStatus StepWriteIntRecords(OperationContext& c, CreateImageBuild& b);
StepStatus StepWriteNdbRecords(OperationContext& c, CreateImageBuild& b);
StepStatus StepWriteVorRecords(OperationContext& c, CreateImageBuild& b);
// The records of a section, one per call, coded by `encode` (record i of the build's list of the
// section into `out`, its image ident into `ident`).
using RecordEncoder = ImageResult (*)(const CreateImageBuild& b, size_t i, uint8_t* out, std::string* ident);
StepStatus WriteSectionRecords(OperationContext& c, CreateImageBuild& b, int section, size_t count,
                               RecordEncoder encode);
// The indexes of the section whose records were written last.
StepStatus StepWriteIndexes(OperationContext& c, CreateImageBuild& b);

// Header, appended sections, packet count and sumcheck.
StepStatus StepWriteHeader(OperationContext& c, CreateImageBuild& b);
StepStatus StepWriteTcc(OperationContext& c, CreateImageBuild& b);
StepStatus StepWriteSua(OperationContext& c, CreateImageBuild& b);
StepStatus StepPacketCount(OperationContext& c, CreateImageBuild& b);
StepStatus StepSumcheck(OperationContext& c, CreateImageBuild& b);

// The name text of a NAME record's field (at most 31 characters, not necessarily terminated).
std::string NameText(const char* nname, size_t size);
