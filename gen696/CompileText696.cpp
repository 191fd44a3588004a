#include "gen696/CompileText696.h"

#include "common/CLocale.h"
#include "gen/compile/CompileSession.h"
#include "gen/shell/OperationContext.h"

bool ReadTextBlock696(OperationContext& c, CompileSession& s, int* lineNumber, const char* startWord,
                      const std::function<void(const std::string& line)>& dispatch) {
    bool started = false;
    while (s.haveLine) {
        ++*lineNumber;
        std::string text = s.raw;
        while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
        s.recordStart = StringFormatC("Line %d: %s", *lineNumber, text.c_str());
        if (ReadCompileLine(c)) {
            started = started || StartsWith(s.line.c_str(), startWord);
            dispatch(s.line);
        }
        if (s.error) return false;
        if (!ReadSourceLine(s)) break;
        if (started && StartsWith(s.raw.c_str(), startWord)) return false;
    }
    return true;
}

bool FailTextCompile696(OperationContext& c, const char* explanation) {
    CompileSession& s = Session(c);
    const bool explained = s.detail.empty() && *explanation;
    if (explained) s.detail = explanation;
    CompileErrorText(c);
    if (!explained && *explanation) c.AddLine(explanation);
    return EndCompileOperation(c);
}

bool FinishTextCompile696(OperationContext& c) {
    c.AddLine("");
    c.AddLine("Compilation Complete");
    c.AddLine("");
    return EndCompileOperation(c);
}

void InstallTextCompiler696(GenModel& model, int mode, const char* comboText, ModeDriver driver) {
    model.drivers[mode] = std::move(driver);
    model.openers[mode] = OpenCompileSource;
    model.compileModes.push_back({mode, comboText});
    model.onStop = [previous = model.onStop, mode](OperationContext& context, int stopped) {
        if (previous) previous(context, stopped);
        if (stopped == mode) EndCompileSession(context);
    };
}
