// The long-operation registry: scopes that end when they go, move with the
// work, and may end on another thread.
#include "core/long_operations.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

TEST(LongOperations, BusyWhileAnyScopeRunsAndNamesThemOldestFirst) {
    LongOperations operations;
    EXPECT_FALSE(operations.isBusy());
    {
        LongOperations::Scope load = operations.begin("Load images");
        LongOperations::Scope save = operations.begin("Save project");
        EXPECT_TRUE(operations.isBusy());
        EXPECT_EQ(operations.running(), (std::vector<std::string>{"Load images", "Save project"}));
        load.end();
        load.end();  // ending twice is harmless
        EXPECT_EQ(operations.running(), std::vector<std::string>{"Save project"});
    }
    EXPECT_FALSE(operations.isBusy());
}

TEST(LongOperations, AMovedScopeEndsOnceWhereItWentToEvenOnAnotherThread) {
    LongOperations operations;
    LongOperations::Scope first = operations.begin("Update borders");
    LongOperations::Scope moved = std::move(first);
    EXPECT_FALSE(first.isRunning());
    first.end();
    EXPECT_TRUE(operations.isBusy());

    LongOperations::Scope replaced = operations.begin("Sculpt");
    replaced = std::move(moved);  // the replaced scope ends
    EXPECT_EQ(operations.running(), std::vector<std::string>{"Update borders"});

    std::thread worker([scope = std::move(replaced)]() mutable { scope.end(); });
    worker.join();
    EXPECT_FALSE(operations.isBusy());
}

}  // namespace
