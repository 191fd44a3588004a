// Room gen/compile: the text compilers (SUA text into SUA.DAT, FSS/TCC text into TCC.DAT,
// approach text into the database) and the machinery they share.
//
// The three compile modes as the model's openers, drivers and stop hook.
#pragma once

struct GenModel;

// Installs Compile SUA Text, Compile FSS/TCC Text and Compile APR Text where the model offers
// them and has no driver of its own.
void InstallCompileOperations(GenModel& model);
