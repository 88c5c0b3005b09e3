#include "app/runwindows/revisionwindowmodel.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

TRevisionLst file(const char* path, std::vector<TDateTime> dates) {
    TRevisionLst f;
    f.Path = path;
    f.Count = static_cast<int32_t>(dates.size());
    for (std::size_t i = 0; i < dates.size(); ++i)
        f.Dates[i] = dates[i];
    return f;
}

TEST(RevisionWindowModel, RowsForTwoOrMoreVersionsAndTheChosenDateWrittenBackExactly) {
    // Dates with milliseconds: a date text parsed back would lose them.
    const TDateTime a = encodeDateTime({2026, 3, 1, 10, 0, 0, 123});
    const TDateTime b = encodeDateTime({2026, 3, 2, 0, 0, 0, 0});
    const TDateTime c = encodeDateTime({2026, 3, 3, 8, 30, 15, 999});
    TRevisionFileList list = {file("C:\\none.txt", {}), file("C:\\one.txt", {a}),
                              file("C:\\three.txt", {c, a, b}), file("C:\\two.txt", {b, a})};
    TRevisionWindowModel model(list);
    model.Prepare();
    ASSERT_EQ(model.rows().size(), 2u) << "files with fewer than two versions get no row";
    EXPECT_EQ(model.fileText(0), "C:\\three.txt");
    EXPECT_EQ(model.dateTexts(0),
              (std::vector<std::string>{"3/1/2026 10:00:00 AM", "3/2/2026", "3/3/2026 8:30:15 AM"}))
        << "oldest first; midnight without its time";
    EXPECT_EQ(model.chosenText(0), "3/1/2026 10:00:00 AM") << "the oldest at first";

    model.choose(0, 2);
    model.apply();
    EXPECT_EQ(list[2].Dates[0], c);
    EXPECT_EQ(list[3].Dates[0], a);
    EXPECT_EQ(list[1].Dates[0], a) << "a single version keeps its data";
    model.SelectNewest();
    model.apply();
    EXPECT_EQ(list[3].Dates[0], b);
    model.SelectOldest();
    model.choose(1, 5); // outside the row's versions: ignored
    model.apply();
    EXPECT_EQ(list[3].Dates[0], a);
}

} // namespace
} // namespace qm
