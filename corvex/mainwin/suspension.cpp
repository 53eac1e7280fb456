#include "corvex/mainwin/suspension.h"

#include <algorithm>
#include <cstdio>

#include "bytes/sjis_bytes.h"
#include "corvex/engine/data_paths.h"
#include "platform/files.h"

namespace corvex {
namespace {

using dorvik::bytes::IsLeadByte;

// Upper-cases the ASCII letters of a Shift_JIS text; the trail byte of a pair stays as it is.
void UpperInPlace(std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(c))
            ++i;
        else
            text[i] = dorvik::bytes::ToAsciiUpper(text[i]);
    }
}
bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsWordChar(char c) {
    return IsLetter(c) || (c >= '0' && c <= '9') || c == '_';
}

// The text after the drive colon and the last backslash. A backslash or colon that is the
// trail byte of a Shift_JIS pair does not count.
std::string_view NamePart(std::string_view path) {
    std::size_t start = 0;
    bool colon_seen = false;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (IsLeadByte(c)) {
            ++i;
        } else if (c == ':' && !colon_seen) {
            colon_seen = true;
            start = i + 1;
        } else if (c == '\\') {
            start = i + 1;
        }
    }
    return path.substr(std::min(start, path.size()));
}

std::string UpperName(std::string_view path) {
    std::string name(NamePart(path));
    UpperInPlace(name);
    return name;
}

// The program part of a command: its first word when that is quoted, else the text up to and
// with the first ".exe" (any case), else the whole command.
std::string_view ProgramPart(std::string_view command) {
    while (!command.empty() && (command.front() == ' ' || command.front() == '\t'))
        command.remove_prefix(1);
    if (!command.empty() && command.front() == '"') {
        command.remove_prefix(1);
        return command.substr(0, command.find('"'));
    }
    for (std::size_t i = 0; i < command.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(command[i]);
        if (IsLeadByte(c)) {
            ++i;
            continue;
        }
        if (c == '.' && i + 4 <= command.size()) {
            std::string ext(command.substr(i + 1, 3));
            UpperInPlace(ext);
            const bool ends = i + 4 == command.size() || !IsWordChar(command[i + 4]);
            if (ext == "EXE" && ends) return command.substr(0, i + 4);
        }
    }
    return command;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

} // namespace

std::string ProgramFileName(std::string_view command) {
    std::string name = UpperName(ProgramPart(command));
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) return name;
    std::size_t end = dot + 1;
    while (end < name.size() && IsLetter(name[end]))
        ++end;
    name.resize(end);
    return name;
}

std::string CommandFileName(std::string_view command) {
    return std::string(NamePart(ProgramPart(command)));
}

std::string PathFileName(std::string_view path) {
    return std::string(NamePart(path));
}

std::string ProcessFileName(std::string_view path) {
    return UpperName(path);
}

std::vector<std::string> ReadProgramList(const std::string& data_dir, int profile) {
    char file[32];
    std::snprintf(file, sizeof file, "APList.%03d", profile);
    std::vector<std::string> names;
    std::string bytes;
    if (!platform::read_file(JoinPath(data_dir, file), bytes)) return names;
    std::size_t i = 0;
    while (i < bytes.size() && names.size() < kProgramListMax) {
        while (i < bytes.size() && IsSpace(bytes[i]))
            ++i;
        const std::size_t start = i;
        while (i < bytes.size() && !IsSpace(bytes[i]))
            ++i;
        if (i > start) names.emplace_back(bytes, start, i - start);
    }
    return names;
}

bool SuspendsChecks(const SuspensionSettings& settings, const std::vector<std::string>& process_paths) {
    const bool mailer = settings.chkapl1 == "ON";
    const bool listed = settings.chkapl2 == "ON";
    if (!mailer && !listed) return false;
    std::vector<std::string> agents;
    if (mailer) {
        agents.push_back(ProgramFileName(settings.mail_agent));
        for (const std::string& agent : settings.account_agents)
            agents.push_back(ProgramFileName(agent));
    }
    std::vector<std::string> entries;
    if (listed)
        for (std::string entry : settings.program_list) {
            UpperInPlace(entry);
            entries.push_back(std::move(entry));
        }
    for (const std::string& path : process_paths) {
        const std::string name = ProcessFileName(path);
        if (name.empty()) continue;
        for (const std::string& agent : agents)
            if (!agent.empty() && agent == name) return true;
        for (const std::string& entry : entries)
            if (entry.compare(0, name.size(), name) == 0) return true;
    }
    return false;
}

bool SuspensionTest(const SuspensionSettings& settings, ProcessLister& processes) {
    const std::optional<std::vector<std::string>> running = processes.running();
    return running && SuspendsChecks(settings, *running);
}

} // namespace corvex
