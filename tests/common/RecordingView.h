#pragma once
// A session view for core tests: it records every call a session makes on it, in order,
// and can run a test's action from inside any call (to close views or echo text while the
// session is busy, as real views do).

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/SessionView.h"

namespace brumble::test {

class CRecordingView final : public CSessionView {
public:
    void AddText(int newCount, bool lastComplete) override;
    void RemoveLines(int count) override;
    void OnConnectionChanged(bool connected) override;
    void SetTimedTextTimer(int seconds) override;
    void CreateDisplayFont(bool redraw) override;
    void SetWindowTimer(int id, int periodMs) override;
    void KillWindowTimer(int id) override;

    // Every call as text, e.g. "AddText(1,true)", "RemoveLines(2)", "Connected(false)".
    std::vector<std::string> calls;
    // The arguments of every AddText call.
    std::vector<std::pair<int, bool>> added;
    std::vector<int> removed;
    // Run at the end of every call, with the call's text.
    std::function<void(const std::string& call)> onCall;

private:
    void Record(std::string call);
};

} // namespace brumble::test
