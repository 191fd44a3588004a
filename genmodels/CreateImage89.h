// Create Image of the GPS 89: the 14-row step table, the family's own steps among the
// framework's, and its installation as the model's mode-0 operation.
#pragma once

#include <vector>

#include "gen/createimage/CreateImage.h"

class OperationContext;
struct CreateImageBuild;

StepStatus InitialiseImageFile89(OperationContext& c, CreateImageBuild& b);
StepStatus WriteAptRecords89(OperationContext& c, CreateImageBuild& b);
StepStatus WriteVorRecords89(OperationContext& c, CreateImageBuild& b);
StepStatus WriteIndexes89(OperationContext& c, CreateImageBuild& b);
StepStatus WriteImageHeader89(OperationContext& c, CreateImageBuild& b);
StepStatus WriteGeoSection89(OperationContext& c, CreateImageBuild& b);
StepStatus CalcSumcheckByte89(OperationContext& c, CreateImageBuild& b);

std::vector<CreateImageRow> CreateImageTable89();
void InstallCreateImage89(GenModel& model);
