#pragma once
// The per-host scripts: "IF event THEN commands" rules, kept in the host's section of the
// settings store, and the engine that runs them. The session owns one and forwards the
// connect, script-timer and received-line events to it; the engine returns the text the
// scripts want sent and the caller sends it. The script editor works on a readable display
// form of the scripts (DisplayScripts(), SetDisplayScripts()) and then calls Save().

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/WildcardSet.h"

struct CAppServices;
class CSessionView;

class CScriptingDlg {
public:
    CScriptingDlg(CAppServices& services, std::string hostName);
    CScriptingDlg(const CScriptingDlg&) = delete;
    CScriptingDlg& operator=(const CScriptingDlg&) = delete;

    // The wildcard match of an onReceive condition (see CWildcardMatcher).
    static bool MatchWildcards(std::string_view text, std::string_view pattern);

    // Appends the scripts of section (pairs with an empty command list are skipped; the
    // first empty condition ends the list).
    void Load(std::string_view section);
    // Writes every script to the host section, then an empty pair as the end marker.
    void Save();
    // Replaces the scripts by those of another host's section and saves them here.
    void CopyFrom(std::string_view section);

    // The three events. Each runs every matching script in list order and returns the
    // concatenated output (commands ending in CR LF). window owns the script timers.
    std::string RunConnectScripts(CSessionView* window);
    std::string RunTimerScripts(int number, CSessionView* window);
    bool HasReceiveScripts() const { return !m_receiveScripts.empty(); }
    // Colour commands set colour, the line's display colour (the last one wins); it is left
    // as it was when none runs.
    std::string RunReceiveScripts(std::string_view line, CSessionView* window,
                                  std::optional<std::uint32_t>& colour);
    // For each of lines, 1 when a receive script may run on it and 0 when none can; lines
    // that follow each other in memory are looked through in one pass.
    void ReceiveCandidates(const std::vector<std::string_view>& lines,
                           std::vector<std::uint8_t>& out) const
    {
        m_receivePatterns.MayMatch(lines, out);
    }

    // Runs one script's command list (commands separated by line feeds). event is 'C', 'T'
    // or 'R'; line and colour are given for the receive event only (else null).
    std::string RunCommands(std::string_view commands, char event, CSessionView* window,
                            const std::string_view* line, std::optional<std::uint32_t>* colour);

    // The beep command: a system event sound by name, the embedded wave ("YUM!"), or a
    // WAV file.
    void PlayScriptSound(const std::string& name);

    // The readable form the editor shows: "onTimer (3)" for "T3", "setTimer (3, 60)" for
    // "T3932163". isCommands picks a command list (lines joined with line feeds) over a
    // condition. A text the other form cannot hold gives an empty text (a command list loses
    // just its unreadable lines).
    static std::string StoredToDisplay(std::string_view stored, bool isCommands);
    static std::string DisplayToStored(std::string_view display, bool isCommands);
    // A text from a one-line field: every carriage return and line feed becomes a space, so
    // that it can never split one command into two.
    static std::string SingleLine(std::string_view text);

    // One row of the editor: both texts in display form, and the index of the script it was
    // made from (or kNewScript).
    static constexpr int kNewScript = -1;
    struct DisplayScript {
        std::string condition;
        std::string commands;
        int origin = kNewScript;
    };
    // The scripts the display form can show, in list order.
    std::vector<DisplayScript> DisplayScripts() const;
    // Replaces the lists by the editor's rows (not saved). A row whose texts are unchanged
    // keeps its stored form byte for byte; a row that converts to an empty condition or
    // command list is dropped. Scripts the display form could not show stay, unchanged,
    // just before the script that followed them (or the next one of those still there), else
    // at the end.
    void SetDisplayScripts(const std::vector<DisplayScript>& rows);

    const std::string& HostName() const { return m_hostName; }
    const std::vector<std::string>& Conditions() const { return m_conditions; }
    const std::vector<std::string>& CommandLists() const { return m_commandLists; }
    // Replaces both lists (pairs by index). Pairs with an empty condition or command list are
    // dropped, since they could not be stored; unpaired entries of the longer list too.
    void SetScripts(const std::vector<std::string>& conditions,
                    const std::vector<std::string>& commandLists);

private:
    std::string ExpandArguments(std::string_view text, std::string_view line) const;
    std::optional<std::string> RandomLine(const std::string& path);
    // Prepares the onReceive patterns for matching, after every change of the scripts.
    void CompileReceivePatterns();

    CAppServices& m_services;
    std::string m_hostName;
    std::vector<std::string> m_conditions;
    std::vector<std::string> m_commandLists;
    // The onReceive patterns, matched together per line, and the script each belongs to.
    CWildcardSet m_receivePatterns;
    std::vector<std::size_t> m_receiveScripts;
};
