// SPDX-License-Identifier: GPL-3.0-or-later
// The budget cut-offs: the newest-first order with its ties (equal times by
// path, then name, then listing order) and the exact file each cut-off falls on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/BudgetCutoffs.h"

namespace {

struct Listed {
    std::string directory;
    std::string name;
    std::uint64_t time;
    std::uint64_t size;
};

// Lists the files in the given order, one directory run after another (a
// directory may come back later, as the walk would not, to test the order).
DeletedFileListing ListingOf(const std::vector<Listed>& files)
{
    DeletedFileListing listing;
    std::string current;
    for (const Listed& file : files) {
        if (file.directory != current || listing.Count() == 0)
            listing.StartDirectory(current = file.directory);
        listing.Add(file.time, file.size, file.name);
    }
    listing.Sort();
    return listing;
}

// Which files, placed in listing order, lie beyond the cut-off.
std::vector<std::string> Beyond(BudgetCutoff cutoff, const std::vector<Listed>& files)
{
    std::vector<std::string> names;
    for (const Listed& file : files)
        if (cutoff.Place(file.time, file.directory, file.name))
            names.push_back(file.directory + "|" + file.name);
    return names;
}

// Three files at time 20 in two directories, listed out of order; the order
// they take is V:A|a, V:A|b, V:B|a, then the older ones.
const std::vector<Listed> Ties = {
    {"V:B", "a", 20, 100}, {"V:B", "z", 10, 100}, {"V:A", "b", 20, 100}, {"V:A", "a", 20, 100}, {"V:A", "c", 5, 100},
};

TEST(BudgetCutoffs, KeepNewestCutsBetweenFilesOfEqualTimeByPathAndName)
{
    const DeletedFileListing listing = ListingOf(Ties);
    struct Row {
        std::uint64_t keep;
        std::vector<std::string> beyond;
    };
    for (const Row& row : {
             Row{500, {}},                                               // all fit, exactly
             Row{499, {"V:A|c"}},                                        // one byte short of the oldest
             Row{200, {"V:B|a", "V:B|z", "V:A|c"}},                      // V:A|a and V:A|b kept, V:B|a not
             Row{199, {"V:B|a", "V:B|z", "V:A|b", "V:A|c"}},             // only V:A|a fits
             Row{0, {"V:B|a", "V:B|z", "V:A|b", "V:A|a", "V:A|c"}},       // nothing kept
         }) {
        SCOPED_TRACE(row.keep);
        EXPECT_EQ(Beyond(listing.KeepNewest(row.keep), Ties), row.beyond);
    }
}

TEST(BudgetCutoffs, KeepNewestStopsAtTheFirstFileThatDoesNotFit)
{
    // A small older file that would still fit is beyond as well: the newest
    // files are kept, not the most files.
    const std::vector<Listed> files = {{"V:", "new", 3, 60}, {"V:", "big", 2, 60}, {"V:", "small", 1, 10}};
    EXPECT_EQ(Beyond(ListingOf(files).KeepNewest(100), files), (std::vector<std::string>{"V:|big", "V:|small"}));
}

TEST(BudgetCutoffs, FreeOldestTakesTheOldestUntilEnoughAndNothingForNoNeed)
{
    const DeletedFileListing listing = ListingOf(Ties);
    struct Row {
        std::uint64_t toFree;
        std::vector<std::string> beyond;
    };
    for (const Row& row : {
             Row{0, {}},
             Row{1, {"V:A|c"}},
             Row{100, {"V:A|c"}},
             Row{101, {"V:B|z", "V:A|c"}},
             Row{201, {"V:B|a", "V:B|z", "V:A|c"}},  // of the three at time 20, V:B|a comes last
             Row{100000, {"V:B|a", "V:B|z", "V:A|b", "V:A|a", "V:A|c"}},  // not enough: all
         }) {
        SCOPED_TRACE(row.toFree);
        EXPECT_EQ(Beyond(listing.FreeOldest(row.toFree), Ties), row.beyond);
    }
    EXPECT_FALSE(DeletedFileListing().FreeOldest(1).Active());
}

TEST(BudgetCutoffs, RecordsAlikeInTimePathAndNameAreToldApartByListingOrder)
{
    // The same name deleted three times in one second: the first listed
    // counts as the newest. Which of them (by listing place) are beyond:
    const std::vector<Listed> files(3, Listed{"V:D", "x", 7, 100});
    const auto places = [&files](BudgetCutoff cutoff) {
        std::vector<std::size_t> beyond;
        for (std::size_t i = 0; i < files.size(); ++i)
            if (cutoff.Place(7, "V:D", "x"))
                beyond.push_back(i);
        return beyond;
    };
    EXPECT_EQ(places(ListingOf(files).KeepNewest(150)), (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(places(ListingOf(files).FreeOldest(150)), (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(places(ListingOf(files).FreeOldest(50)), (std::vector<std::size_t>{2}));
}

}  // namespace
