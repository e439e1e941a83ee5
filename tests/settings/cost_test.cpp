// What a call costs, by what it does rather than by the clock: one reading of the file per
// call. Timings are in bench/settings_cost.cpp.
#include "hivetesting.h"

#include <functional>

using namespace hivetesting;

TEST(HiveCost, EachCallReadsTheFileOnce)
{
    const CRegSettings s = store();
    ASSERT_TRUE(s.SaveSetting("Options", "Size", "1"));
    ASSERT_TRUE(s.SaveSetting("Presets", "Preset0", "00:01:00"));
    ASSERT_TRUE(s.SaveSetting("Presets", "Preset1", "00:02:00"));
    OpenCounter counter;
    const struct {
        const char *what;
        std::function<bool()> call;
    } calls[] = {
        {"GetSetting of a value", [&] { return s.GetSetting("Options", "Size") == "1"; }},
        {"GetSetting in a missing section", [&] { return s.GetSetting("None", "No", "d") == "d"; }},
        {"GetAllOptions", [&] { return s.GetAllOptions("Presets").size() == 2; }},
        {"SaveSetting of a new value", [&] { return s.SaveSetting("Options", "New", "1"); }},
        {"SaveSetting of the same text", [&] { return s.SaveSetting("Options", "New", "1"); }},
        {"SaveSetting in a new section", [&] { return s.SaveSetting("Fresh", "A", "1"); }},
        {"DeleteSetting of a value", [&] { return s.DeleteSetting("Options", "New"); }},
        {"DeleteSetting of a section", [&] { return s.DeleteSetting("Fresh"); }},
        {"ReplaceSection",
         [&] {
             return s.ReplaceSection("Presets", {{"Preset0", "00:00:05"}});
         }},
    };
    for (const auto &c : calls) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(c.call());
        EXPECT_EQ(counter.take(), 1);
    }
}
