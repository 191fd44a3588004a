#include "gen/compile/CompileOperations.h"

#include "gen/compile/CompileApproach.h"
#include "gen/compile/CompileSession.h"
#include "gen/compile/CompileSua.h"
#include "gen/compile/CompileTcc.h"
#include "gen/shell/GenModel.h"

void InstallCompileOperations(GenModel& model) {
    const ModeDriver drivers[3] = {CompileSua, CompileTcc, CompileApproachText};
    for (int mode = kModeCompileSua; mode <= kModeCompileApr; ++mode) {
        if (model.drivers[mode]) continue;
        model.drivers[mode] = drivers[mode - kModeCompileSua];
        if (!model.openers[mode]) model.openers[mode] = OpenCompileSource;
    }
    model.onStop = [previous = model.onStop](OperationContext& context, int mode) {
        if (previous) previous(context, mode);
        if (mode >= kModeCompileSua && mode <= kModeCompileApr) EndCompileSession(context);
    };
}
