#include "scene/StatusLog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records each call as the view received it.
class CCallView final : public CStatusView {
public:
    std::vector<std::string> calls;
    void ShowLog(const std::string& log, const std::string& line) override { calls.push_back("log[" + log + "]+[" + line + "]"); }
    void ShowProgress(const std::string& log, const std::string& line) override
    {
        calls.push_back("progress[" + log + "]+[" + line + "]");
    }
};

} // namespace

TEST(StatusLog, EachLineReachesTheViewWithTheWholeLogAndProgressNeverEntersIt)
{
    CCallView view;
    CStatusLog log(view);
    log.Append("Loading model...\r\n");
    log.ShowProgress("  reading Object 1 of 2\r\n");
    log.Append("Done.\r\n");
    EXPECT_EQ(log.Text(), "Loading model...\r\nDone.\r\n");
    EXPECT_EQ(view.calls, (std::vector<std::string>{
                              "log[Loading model...\r\n]+[Loading model...\r\n]",
                              "progress[Loading model...\r\n]+[  reading Object 1 of 2\r\n]",
                              "log[Loading model...\r\nDone.\r\n]+[Done.\r\n]",
                          }));
}

TEST(StatusLog, LogShownOnANewViewKeepsItsTextAndOneShownNowhereOnlyKeepsIt)
{
    CStatusLog log;
    log.Append("a\r\n");
    log.ShowProgress("p\r\n");
    CCallView view;
    log.ShowOn(view);
    log.Append("b\r\n");
    EXPECT_EQ(log.Text(), "a\r\nb\r\n");
    EXPECT_EQ(view.calls, (std::vector<std::string>{"log[a\r\nb\r\n]+[b\r\n]"}));
}
