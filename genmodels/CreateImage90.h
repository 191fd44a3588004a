// Create Image of the 90/95 XL family: the 25-row step table, the family's own steps among the
// 92/190 family's and the framework's, and its installation as the model's mode-0 operation.
#pragma once

#include <vector>

#include "gen/createimage/CreateImage.h"

class OperationContext;
struct CreateImageBuild;

StepStatus InitialiseImageFile90(OperationContext& c, CreateImageBuild& b);
StepStatus WriteRwyComApprTable90(OperationContext& c, CreateImageBuild& b);
StepStatus WriteAptRecords90(OperationContext& c, CreateImageBuild& b);
StepStatus WriteNdbRecords90(OperationContext& c, CreateImageBuild& b);
StepStatus WriteVorRecords90(OperationContext& c, CreateImageBuild& b);
// One unit per call: the record count and the 164 buckets, then the latitude index, and (not
// INT) the city-name and facility-name indexes, each written whole on its first call.
StepStatus WriteIndexes90(OperationContext& c, CreateImageBuild& b);
// The same for a family whose latitude key is unsigned (bits 11-30 of the latitude).
StepStatus WriteKindIndexes(OperationContext& c, CreateImageBuild& b, bool signedLatitude);
StepStatus WriteImageHeader90(OperationContext& c, CreateImageBuild& b);
StepStatus WriteSuaSection90(OperationContext& c, CreateImageBuild& b);
// Even calls do nothing; call 2m+1 sums chunks 2m and 2m+1.
StepStatus CalcSumcheckBytes90(OperationContext& c, CreateImageBuild& b);

// The SUA table-0 type as the unit takes it: 5 -> 1, 6 -> 2, 7 and above -> 1 (bits 4-7 kept).
uint8_t SuaType90(uint8_t typeByte);

// A kind with more records than this gets the TOO MANY WAYPOINTS block.
constexpr uint32_t kWaypointWarning90 = 32768;

std::vector<CreateImageRow> CreateImageTable90();
void InstallCreateImage90(GenModel& model);
