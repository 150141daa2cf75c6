#include "app/cli/reachable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Options as the command line would give them.
Options Parsed(std::vector<const char*> args) {
  args.insert(args.begin(), "velmora");
  Options options;
  std::string error;
  EXPECT_TRUE(ParseOptions(static_cast<int>(args.size()), args.data(), &options, &error)) << error;
  return options;
}

// Each request that no run could carry out is refused with a message saying
// what stands in its way; the ones next to it that a run does reach pass.
TEST(ReachableTest, RequestsNoRunCouldCarryOutAreRefused) {
  const struct {
    std::vector<const char*> args;
    const char* refusal;  // nullptr: accepted
  } cases[] = {
      {{"--start", "30", "--until", "14"}, "--until 14 s comes before --start 30 s"},
      {{"--start", "30", "--until", "30"}, nullptr},
      {{"--until", "20", "--key", "21:Space"}, "the key at 21 s comes after --until 20 s"},
      {{"--until", "20", "--key", "20:Space"}, nullptr},
      {{"--start", "190", "--shot", "500:x.png"}, "the shot at 500 s comes after the show's end"},
      {{"--shot", "193.91:x.png"}, nullptr},
      {{"--key", "194:M"}, "the key at 194 s comes after the show's end"},
      {{"--key", "191:Escape", "--shot", "195:x.png"}, "comes at or after the Escape key at 191 s"},
      {{"--key", "5:Escape", "--shot", "5:x.png"}, "comes at or after the Escape key at 5 s"},
      {{"--key", "5:Escape", "--shot", "4.9:x.png"}, nullptr},
      {{"--key", "5:Escape", "--key", "6:F1"}, "the key at 6 s comes after the Escape key at 5 s"},
      // A pause or a seek back lets the run go on past the show's end.
      {{"--key", "100:Space", "--key", "103:Space", "--shot", "195:x.png"}, nullptr},
      {{"--key", "190:Home", "--key", "200:M"}, nullptr},
      {{"--key", "196:Space", "--shot", "195:x.png"},
       "the shot at 195 s comes after the show's end"},
      {{"--key", "190:Right", "--shot", "195:x.png"},
       "the shot at 195 s comes after the show's end"},
  };
  for (const auto& c : cases) {
    std::string joined;
    for (const char* arg : c.args) joined += std::string(arg) + " ";
    std::string error;
    const bool accepted = RefuseUnreachableRequests(Parsed(c.args), &error);
    if (c.refusal == nullptr) {
      EXPECT_TRUE(accepted) << joined << ": " << error;
    } else {
      EXPECT_FALSE(accepted) << joined;
      EXPECT_NE(error.find(c.refusal), std::string::npos) << joined << ": " << error;
    }
  }
}

}  // namespace
