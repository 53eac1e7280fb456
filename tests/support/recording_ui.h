// A user interface for the engine's tests: records everything a run shows, in UTF-8, and lets
// a test act during the waits (on_pump) and answer the spam confirmation (confirm_answer).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "corvex/engine/engine_ui.h"
#include "cp932.h"

namespace test_support {

class RecordingUi : public corvex::EngineUi {
  public:
    struct Box {
        std::string text, caption; // UTF-8
        corvex::MessageIcon icon;
    };

    void progress_reset() override { ++resets; }
    void progress(int tenth) override { positions.push_back(tenth); }
    void status(const std::string& text) override {
        statuses.push_back(dorvik::cp932_to_utf8(text));
        if (on_status) on_status(statuses.back());
    }
    void tray_step(corvex::TrayStep step) override { steps.push_back(step); }
    void tray_tip(const std::string& text) override { tips.push_back(dorvik::cp932_to_utf8(text)); }
    void message_box(const std::string& text, const std::string& caption, corvex::MessageIcon icon) override {
        boxes.push_back({dorvik::cp932_to_utf8(text), dorvik::cp932_to_utf8(caption), icon});
    }
    int confirm_spam_deletion(const std::string& text, int countdown_seconds) override {
        confirmations.push_back(dorvik::cp932_to_utf8(text));
        countdowns.push_back(countdown_seconds);
        return confirm_answer;
    }
    void pump() override {
        ++pumps;
        if (on_pump) on_pump();
    }

    int resets = 0;
    std::vector<int> positions;
    std::vector<std::string> statuses;
    std::vector<corvex::TrayStep> steps;
    std::vector<std::string> tips;
    std::vector<Box> boxes;
    std::vector<std::string> confirmations;
    std::vector<int> countdowns;
    int pumps = 0;
    int confirm_answer = 2; // keep
    std::function<void()> on_pump;
    std::function<void(const std::string&)> on_status; // UTF-8
};

} // namespace test_support
