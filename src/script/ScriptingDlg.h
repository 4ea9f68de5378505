#pragma once
// The per-host scripts: "IF event THEN commands" rules, kept in the host's section of the
// settings store, and the engine that runs them. The session owns one and forwards the
// connect, script-timer and received-line events to it; the engine returns the text the
// scripts want sent and the caller sends it. The script editor dialog edits the two lists
// through Conditions(), CommandLists() and SetScripts() and then calls Save().

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
    // colour is the line's display colour; colour commands overwrite it (the last one wins).
    std::string RunReceiveScripts(const std::string& line, CSessionView* window,
                                  std::uint32_t& colour);

    // Runs one script's command list (commands separated by line feeds). event is 'C', 'T'
    // or 'R'; line and colour are given for the receive event only (else null).
    std::string RunCommands(std::string_view commands, char event, CSessionView* window,
                            const std::string* line, std::uint32_t* colour);

    // The beep command: a system event sound by name, the embedded wave ("YUM!"), or a
    // WAV file.
    void PlayScriptSound(const std::string& name);

    const std::string& HostName() const { return m_hostName; }
    const std::vector<std::string>& Conditions() const { return m_conditions; }
    const std::vector<std::string>& CommandLists() const { return m_commandLists; }
    // Replaces both lists (pairs by index). Pairs with an empty condition or command list are
    // dropped, since they could not be stored; unpaired entries of the longer list too.
    void SetScripts(const std::vector<std::string>& conditions,
                    const std::vector<std::string>& commandLists);

private:
    std::string ExpandArguments(std::string_view text, const std::string& line) const;
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
