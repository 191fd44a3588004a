// Create Image of the 92/190 family: the 28-row step table, the family's own steps among the
// framework's, and its installation as the model's mode-0 operation.
#pragma once

#include <string>
#include <vector>

#include "gen/createimage/CreateImage.h"
#include "gen/image/AirportDetail.h"
#include "gen/image/ImageResult.h"

class OperationContext;
struct CreateImageBuild;
struct AptRecord;

// An airport's rwy/com entry as a family codes it: its bytes (empty: none, the record holds
// `summary`) and whether it carries frequency items.
struct AirportEntry {
    std::vector<uint8_t> bytes;
    bool frequencies = false;
    uint32_t summary = 0;
};
using AirportEntryCoder = ImageResult (*)(const OperationContext& c, const AptRecord& a,
                                          const std::vector<DetailRunway>& runways,
                                          const std::vector<DetailFrequency>& frequencies, AirportEntry* out);
// The title of the operation without its padding, or the default title.
std::string OperationTitle(const OperationContext& c);
// One airport per call in the order of the counted list: its runways and frequencies gathered,
// its entry coded and appended to the table, its APT word kept; at the end the layout is computed.
StepStatus WriteAirportEntries(OperationContext& c, CreateImageBuild& b, AirportEntryCoder code);
// APT record i of the build with its table flags (`cityFallback`: an absent city takes the
// facility's pointer).
ImageResult EncodeAptWith92(const CreateImageBuild& b, size_t i, bool cityFallback, uint8_t* out, std::string* ident);

// The family's own steps.
StepStatus CountApts92(OperationContext& c, CreateImageBuild& b);
StepStatus CountInts92(OperationContext& c, CreateImageBuild& b);
StepStatus CountNdbs92(OperationContext& c, CreateImageBuild& b);
StepStatus CountVors92(OperationContext& c, CreateImageBuild& b);
StepStatus WriteRwyComApprTable92(OperationContext& c, CreateImageBuild& b);
StepStatus WriteAptRecords92(OperationContext& c, CreateImageBuild& b);
StepStatus WriteVorRecords92(OperationContext& c, CreateImageBuild& b);
StepStatus WriteImageHeader92(OperationContext& c, CreateImageBuild& b);

// The 28 rows in order.
std::vector<CreateImageRow> CreateImageTable92();

void InstallCreateImage92(GenModel& model);
