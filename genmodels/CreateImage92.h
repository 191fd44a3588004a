// Create Image of the 92/190 family: the 28-row step table, the family's own steps among the
// framework's, and its installation as the model's mode-0 operation.
#pragma once

#include <vector>

#include "gen/createimage/CreateImage.h"

class OperationContext;
struct CreateImageBuild;

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
