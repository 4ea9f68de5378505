#pragma once
// The per-host rules of a heavy user, for the benchmarks that flood a window: 100 highlights,
// 100 triggers and 100 receive scripts whose texts and patterns the generated MUD output
// never holds, except one of each that matches a line the flood carries as every 50th line.

#include <string>
#include <vector>

#include "MudStream.h"
#include "alerts/TriggersDlg.h"
#include "base/AppServices.h"
#include "display/ColouredTextDlg.h"
#include "script/ScriptingDlg.h"

namespace HeavyHost {

// The line every 50th line of FloodBlock() is.
inline constexpr const char* kEveryFiftiethLine = "The bell of the clocktower tolls the hour.";

// size bytes of MUD output in whole lines, with kEveryFiftiethLine as every 50th.
inline std::string FloodBlock(std::size_t size = 1024 * 1024)
{
    const std::string mud = MudStream::MakeWholeLines(size);
    std::string block;
    block.reserve(mud.size() + mud.size() / 50);
    int count = 0;
    for (std::size_t start = 0, end; (end = mud.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
        if (++count % 50 == 0)
            block += std::string(kEveryFiftiethLine) + "\r\n";
        else
            block.append(mud, start, end + 2 - start);
    }
    return block;
}

// count highlight rules: "word<i>" texts, alternately "starts with" and "contains", then one
// that colours every 50th line.
inline void WriteHighlights(CAppServices& services, const std::string& host, int count)
{
    CColouredTextDlg::EntryList rules;
    for (int i = 0; i + 1 < count; ++i)
        rules.push_back({"word" + std::to_string(i),
                         CColouredTextDlg::MakeValue(i % 2 == 0 ? CColouredTextDlg::kStartsWith
                                                                : CColouredTextDlg::kContains,
                                                     0x0000FF)});
    rules.push_back(
        {"clocktower", CColouredTextDlg::MakeValue(CColouredTextDlg::kContains, 0x00FF00)});
    CColouredTextDlg highlights(services, host);
    highlights.SetEntries(std::move(rules));
    highlights.Save();
}

// count triggers, the last one held by every 50th line, with both warnings on.
inline void WriteTriggers(CAppServices& services, const std::string& host, int count)
{
    CTriggersDlg triggers(services, host);
    for (int i = 0; i + 1 < count; ++i)
        triggers.AddTrigger("TRIGGERWORD" + std::to_string(i));
    triggers.AddTrigger("CLOCKTOWER");
    triggers.SaveTriggers();
    triggers.SetWarning(CTriggersDlg::kBoth);
}

// count receive scripts "*word<i>*" that recolour and answer, then one "*clocktower*" that
// recolours every 50th line and sends an answer with its words.
inline void WriteScripts(CAppServices& services, const std::string& host, int count)
{
    std::vector<std::string> conditions;
    std::vector<std::string> commands;
    for (int i = 0; i + 1 < count; ++i) {
        conditions.push_back("R*word" + std::to_string(i) + "*");
        commands.push_back("C255\nXsay word" + std::to_string(i) + " heard: $1");
    }
    conditions.push_back("R*clocktower*");
    commands.push_back("C65280\nXsay the $2 rang ($*)");
    CScriptingDlg scripts(services, host);
    scripts.SetScripts(conditions, commands);
    scripts.Save();
}

// The rules of a heavy user, written before the window connects (the session loads them
// when it opens): 100 highlights and 100 triggers, with scripts 100 receive scripts too.
inline void WriteAll(CAppServices& services, const std::string& host, bool scripts)
{
    WriteHighlights(services, host, 100);
    WriteTriggers(services, host, 100);
    if (scripts)
        WriteScripts(services, host, 100);
}

} // namespace HeavyHost
