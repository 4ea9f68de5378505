#pragma once
// What a session asks of each of its views (the scrollback window). The widget
// implements it; core tests use a recording double. The script engine uses the same
// object as the "window" that owns the script timers.

class CSessionView {
public:
    virtual ~CSessionView() = default;

    // The last newCount lines of the session's buffer are new (the line before them may
    // have grown); lastComplete tells whether the last line was ended by a line end.
    virtual void AddText(int newCount, bool lastComplete) = 0;
    // Called just before the session drops its count oldest lines (still present).
    virtual void RemoveLines(int count) = 0;
    // Called after every piece of text, before the views may be told of it: the lines it
    // completed get their receive scripts and picture-link detection at once.
    virtual void FinishLines(bool lastComplete) { static_cast<void>(lastComplete); }
    // Connection made or lost: command line, title timer, start-up command, connect scripts.
    virtual void OnConnectionChanged(bool connected) = 0;
    // Timer 3: stopped, then restarted with seconds * 1000 ms when seconds > 0.
    virtual void SetTimedTextTimer(int seconds) = 0;
    // Rebuild the display font from the settings (and repaint when redraw is set).
    virtual void CreateDisplayFont(bool redraw) = 0;
    // Rebuild every row from the session's lines, taking their colours afresh. Views that
    // keep no rows have nothing to do.
    virtual void RewrapAll() {}
    // The server started or stopped echoing what is sent (the command line then hides, or
    // shows again, what is typed). Views without a command line have nothing to do.
    virtual void OnServerEchoChanged(bool serverEchoes) { static_cast<void>(serverEchoes); }

    // Window timers by id: (re)start a repeating timer, or stop it. Ids 10 and up belong
    // to the scripts (script timer n is id n + 10).
    virtual void SetWindowTimer(int id, int periodMs) = 0;
    virtual void KillWindowTimer(int id) = 0;
};
