#pragma once
// How the session opens the Auto-Log Text dialog without knowing about widgets: the user
// interface implements this (log/ui), tests answer in its place.

class CAutoLogDlg;

class CAutoLogEditor {
public:
    virtual ~CAutoLogEditor() = default;
    // Lets the user edit autoLog's settings modally; true when confirmed (and saved).
    virtual bool EditAutoLog(CAutoLogDlg& autoLog) = 0;
};
