#include <gtest/gtest.h>

#include <type_traits>
#include <utility>
#include <vector>

#include "platform/Application.h"
#include "platform/EventLog.h"
#include "platform/ServiceManager.h"
#include "platform/UniqueHandle.h"

namespace {

// Records every close, so a test sees a double close or a missed one.
std::vector<int> gClosed;

struct CountingTraits {
  using Value = int;
  static constexpr Value Invalid() noexcept { return -1; }
  static void Close(Value value) noexcept { gClosed.push_back(value); }
};
using Owner = platform::UniqueHandle<CountingTraits>;

// Owners of different kinds must not stand for one another, nor be made
// from a raw value or copied behind the code's back.
template <typename From, typename To>
constexpr bool Converts = std::is_convertible_v<From, To> || std::is_constructible_v<To, From>;
static_assert(!Converts<platform::ScmHandle, platform::ServiceHandle>);
static_assert(!Converts<platform::ServiceHandle, platform::ScmHandle>);
static_assert(!Converts<platform::ScmHandle, platform::EventSourceHandle>);
static_assert(!Converts<platform::EventSourceHandle, platform::ServiceHandle>);
static_assert(!Converts<platform::WindowHandle, platform::EventSourceHandle>);
static_assert(!Converts<platform::ScmHandle, platform::Handle>);
static_assert(!std::is_convertible_v<platform::Handle, platform::ScmHandle>);
static_assert(!std::is_convertible_v<platform::Handle, platform::EventSourceHandle>);
static_assert(!std::is_copy_constructible_v<platform::ScmHandle>);
static_assert(!std::is_copy_assignable_v<platform::EventSourceHandle>);
static_assert(std::is_nothrow_move_constructible_v<platform::ServiceHandle>);
static_assert(std::is_nothrow_move_assignable_v<platform::WindowHandle>);

class UniqueHandle : public ::testing::Test {
protected:
  void SetUp() override { gClosed.clear(); }
};

TEST_F(UniqueHandle, ClosesOnceWhenItsScopeEndsAndNeverWhenEmpty) {
  {
    Owner empty;
    EXPECT_FALSE(empty);
    Owner owner(7);
    EXPECT_TRUE(owner);
    EXPECT_EQ(owner.Get(), 7);
  }
  EXPECT_EQ(gClosed, std::vector<int>{7});
}

TEST_F(UniqueHandle, AMoveHandsTheHandleOverWithoutClosingIt) {
  {
    Owner first(1);
    Owner second(std::move(first));
    EXPECT_FALSE(first);  // moved from: owns nothing
    EXPECT_EQ(second.Get(), 1);
    Owner third(3);
    third = std::move(second);  // closes 3, takes 1
    EXPECT_EQ(gClosed, std::vector<int>{3});
    EXPECT_EQ(third.Get(), 1);
    Owner& same = third;
    third = std::move(same);  // a self-move keeps the handle open
    EXPECT_EQ(third.Get(), 1);
    EXPECT_EQ(gClosed, std::vector<int>{3});
  }
  EXPECT_EQ(gClosed, (std::vector<int>{3, 1}));
}

TEST_F(UniqueHandle, ResetClosesWhatWasHeldAndReleaseGivesItUpUnclosed) {
  {
    Owner owner(4);
    owner.Reset(5);
    EXPECT_EQ(gClosed, std::vector<int>{4});
    owner.Reset();
    EXPECT_FALSE(owner);
    EXPECT_EQ(gClosed, (std::vector<int>{4, 5}));
    owner.Reset();  // nothing held: nothing closed
    owner.Reset(6);
    EXPECT_EQ(owner.Release(), 6);
    EXPECT_FALSE(owner);
  }
  EXPECT_EQ(gClosed, (std::vector<int>{4, 5}));
}

}  // namespace
