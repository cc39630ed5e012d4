#pragma once

#include <string>
#include <vector>

#include "model/rows/line_list.h"

namespace quorva::test {

// Writes down every notification as a short word, e.g. "insert 2-2".
class TRecordingObserver : public TLineListObserver {
public:
    std::vector<std::string> events;

    void LinesAboutToBeInserted(int, int) override {}
    void LinesInserted(int first, int last) override { Record("insert", first, last); }
    void LinesAboutToBeRemoved(int, int) override {}
    void LinesRemoved(int first, int last) override { Record("remove", first, last); }
    void LinesChanged(int first, int last) override { Record("change", first, last); }
    void LinesAboutToBeReset() override {}
    void LinesReset() override { events.push_back("reset"); }
    void SelectionChanged(int selected) override
    {
        events.push_back("select " + std::to_string(selected));
    }

private:
    void Record(const char* what, int first, int last)
    {
        events.push_back(std::string(what) + " " + std::to_string(first) + "-" +
                         std::to_string(last));
    }
};

} // namespace quorva::test
