#include "common/RecordingView.h"

namespace brumble::test {

namespace {

std::string Flag(bool value)
{
    return value ? "true" : "false";
}

} // namespace

void CRecordingView::Record(std::string call)
{
    calls.push_back(call);
    if (onCall)
        onCall(call);
}

void CRecordingView::AddText(int newCount, bool lastComplete)
{
    added.emplace_back(newCount, lastComplete);
    Record("AddText(" + std::to_string(newCount) + "," + Flag(lastComplete) + ")");
}

void CRecordingView::RemoveLines(int count)
{
    removed.push_back(count);
    Record("RemoveLines(" + std::to_string(count) + ")");
}

void CRecordingView::OnConnectionChanged(bool connected)
{
    Record("Connected(" + Flag(connected) + ")");
}

void CRecordingView::SetTimedTextTimer(int seconds)
{
    Record("SetTimedTextTimer(" + std::to_string(seconds) + ")");
}

void CRecordingView::CreateDisplayFont(bool redraw)
{
    Record("CreateDisplayFont(" + Flag(redraw) + ")");
}

void CRecordingView::SetWindowTimer(int id, int periodMs)
{
    Record("SetWindowTimer(" + std::to_string(id) + "," + std::to_string(periodMs) + ")");
}

void CRecordingView::KillWindowTimer(int id)
{
    Record("KillWindowTimer(" + std::to_string(id) + ")");
}

} // namespace brumble::test
