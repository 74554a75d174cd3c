// Cutting a serial line into commands: wherever the reads split the bytes, the same commands
// come out; a tail left standing or grown past any command never joins the next one.
#include "CommandFramer.h"

#include <gtest/gtest.h>

namespace orvan {
namespace {

using Units = std::vector<QByteArray>;

Units feed(CommandFramer& f, const std::vector<QByteArray>& reads, qint64 stepMs = 1) {
  Units out;
  qint64 now = 0;
  for (const QByteArray& r : reads) {
    for (QByteArray& u : f.push(r, now)) out.push_back(std::move(u));
    now += stepMs;
  }
  return out;
}

TEST(CommandFramer, AnySplitGivesTheSameCommands) {
  const QByteArray stream("#:Q#:Sr06:46:22#\x06:Sd-16\xDF" "45:09#:MS#");
  const Units whole = {"#", ":Q#", ":Sr06:46:22#", "\x06", ":Sd-16\xDF" "45:09#", ":MS#"};
  CommandFramer f;
  EXPECT_EQ(feed(f, {stream}), whole);
  for (qsizetype a = 0; a <= stream.size(); ++a)
    for (qsizetype b = a; b <= stream.size(); b += 3) {
      CommandFramer g;
      EXPECT_EQ(feed(g, {stream.left(a), stream.mid(a, b - a), stream.mid(b)}), whole) << a << ' ' << b;
      EXPECT_FALSE(g.hasTail());
    }
}

TEST(CommandFramer, LeftoversNeverJoinTheNextCommand) {
  CommandFramer f;
  // A tail that stood still for more than a second is dropped: ":M" + "S#" is not a goto.
  EXPECT_TRUE(f.push(":M", 0).empty());
  EXPECT_TRUE(f.hasTail());
  EXPECT_EQ(f.push("S#", CommandFramer::kStaleMs + 1), Units{"S#"});
  // Within the second it is one command.
  EXPECT_TRUE(f.push(":M", 5000).empty());
  EXPECT_EQ(f.push("S#", 5000 + CommandFramer::kStaleMs), Units{":MS#"});

  // Past any command's length the unit is dropped whole, up to its '#'.
  const QByteArray flood(3 * CommandFramer::kMaxCommand, 'x');
  EXPECT_TRUE(f.push(flood, 6000).empty());
  EXPECT_EQ(f.push(":MS#:GR#", 6000), Units{":GR#"});

  // The alignment query stands alone and ends whatever came before it.
  EXPECT_EQ(f.push(":M\x06S#", 7000), (Units{"\x06", "S#"}));
  // A client that goes away leaves nothing for the next one.
  EXPECT_TRUE(f.push(":M", 8000).empty());
  f.reset();
  EXPECT_EQ(f.push("S#", 8000), Units{"S#"});
}

}  // namespace
}  // namespace orvan
