// Create ISAM of the 92/190 family: the ten rows that rebuild the database from a model-92
// image, the family's own steps among the framework's.
#pragma once

#include "gen/createisam/CreateIsamSteps.h"

// The files the erase step removes (a name without '.' is its .dta and .dtx).
extern const char* const kEraseList92[];
extern const size_t kEraseCount92;

// Every country byte inside the country table and every airport's VLR entry readable.
ImageResult CheckImageRecords92(const IsamImageSource& source);
// Every country byte inside the country table and every name pointer inside the names text.
ImageResult CheckNamePointers(const IsamImageSource& source);
// Airport n: its record with afuel bits 1-5 from byte 5 (bit 0 set when it has no VLR entry),
// and its runways and frequencies from the entry or its brief runway.
void ReadAirport92(const CreateIsamState& s, uint32_t n, AptRecord* apt, DecodedAirportDetail* detail);

StepStatus EraseDatabaseFiles92(OperationContext& c, CreateIsamState& s);
StepStatus BuildNamesRefList92(OperationContext& c, CreateIsamState& s);
StepStatus IsamWriteApts92(OperationContext& c, CreateIsamState& s);
StepStatus IsamWriteVors92(OperationContext& c, CreateIsamState& s);
// The VORs, one per call, each as the framework reads it and then as `read` reads its record.
using IsamVorReading = void (*)(const uint8_t* record, VorRecord* v);
StepStatus IsamWriteVorsWith(OperationContext& c, CreateIsamState& s, IsamVorReading read);
// vdme from byte 5 bits 1-2 and byte 12 bit 5.
void ReadVorDme92(const uint8_t* record, VorRecord* v);

void InstallCreateIsam92(GenModel& model);
