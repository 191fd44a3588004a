// The three compile modes as the model's openers, drivers and stop hook.
#pragma once

struct GenModel;

// Installs Compile SUA Text, Compile FSS/TCC Text and Compile APR Text where the model offers
// them and has no driver of its own.
void InstallCompileOperations(GenModel& model);
