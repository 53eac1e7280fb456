#include "corvex/filters/action_lists.h"

#include "corvex/engine/data_paths.h"
#include "corvex/filters/text_file.h"

namespace corvex {

std::string AccountWorkDir(std::string_view data_dir, std::string_view work_folder) {
    return JoinPath(TempDirectory(data_dir), work_folder);
}
std::string SoundListPath(std::string_view data_dir, std::string_view work_folder) {
    return JoinPath(AccountWorkDir(data_dir, work_folder), "FSOUND.LST");
}
std::string ProgramListPath(std::string_view data_dir) {
    return JoinPath(ActDirectory(data_dir), "FAPL.LST");
}
std::string SendListPath(std::string_view data_dir) {
    return JoinPath(ActDirectory(data_dir), "FSEND.LST");
}
std::string SendSettingListPath(std::string_view data_dir) {
    return JoinPath(ActDirectory(data_dir), "ACTSEND.LST");
}

int AppendActionLine(const std::string& list_path, std::string_view first, std::string_view second,
                     std::string_view value) {
    std::string line;
    line.append(first).append("|").append(second).append("|").append(value);
    return filefmt::AppendLine(list_path, line) ? 0 : -1;
}

int AppendActionLine(const std::string& list_path, std::string_view value) {
    for (const ActionLine& line : ReadActionLines(list_path))
        if (line.value == value) return 0;
    return AppendActionLine(list_path, "*", "*", value);
}

ActionLine SplitActionLine(std::string_view line) {
    ActionLine out;
    std::size_t first = line.find('|');
    if (first == std::string_view::npos) {
        out.value = line;
        return out;
    }
    std::size_t second = line.find('|', first + 1);
    if (second == std::string_view::npos) {
        out.path = line.substr(0, first);
        out.value = line.substr(first + 1);
        return out;
    }
    out.path = line.substr(0, second);
    out.path[first] = PathSeparator();
    out.value = line.substr(second + 1);
    return out;
}

std::vector<ActionLine> ReadActionLines(const std::string& list_path) {
    std::vector<std::string> lines;
    filefmt::ReadLines(list_path, lines);
    std::vector<ActionLine> out;
    out.reserve(lines.size());
    for (const std::string& line : lines)
        out.push_back(SplitActionLine(line));
    return out;
}

int ReadActionLine(const std::string& list_path, int n, std::string& value, std::string& path) {
    std::vector<ActionLine> lines = ReadActionLines(list_path);
    value.clear();
    path.clear();
    if (n >= 1 && static_cast<std::size_t>(n) <= lines.size()) {
        value = lines[n - 1].value;
        path = lines[n - 1].path;
    }
    return static_cast<int>(lines.size());
}

std::vector<SendSetting> ReadSendSettings(std::string_view data_dir) {
    std::vector<std::string> lines;
    filefmt::ReadLines(SendSettingListPath(data_dir), lines);
    std::vector<SendSetting> out;
    for (const std::string& line : lines) {
        if (out.size() >= kSendSettingsMax) break;
        filefmt::FieldScanner scan(line);
        int number;
        SendSetting setting;
        if (!scan.Number(number) || !scan.Word(setting.id) || !scan.Word(setting.name)) break;
        setting.id = filefmt::CutText(setting.id, kSendSettingIdMax);
        setting.name = filefmt::CutText(setting.name, kSendSettingNameMax);
        out.push_back(std::move(setting));
    }
    return out;
}

} // namespace corvex
