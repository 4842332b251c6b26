// The IDE link's settings and command table, without an IDE: the settings
// split into the two addresses, and commands that are not the link's are
// answered "bad".
#include <gtest/gtest.h>

#include <string>

#include "net/ide_link.h"

TEST(IdeLink, SettingsSplitIntoTwoAddresses) {
  std::string cmd, evt;
  ASSERT_TRUE(Ide_split_settings("h;5000;5001", cmd, evt));
  EXPECT_EQ(cmd, "h;5000");
  EXPECT_EQ(evt, "h;5001");
  ASSERT_TRUE(Ide_split_settings("127.0.0.1;1;2", cmd, evt));
  EXPECT_EQ(evt, "127.0.0.1;2");
}

TEST(IdeLink, SettingsWithoutEitherPartStartNoLink) {
  std::string cmd, evt;
  EXPECT_FALSE(Ide_split_settings("", cmd, evt));
  EXPECT_FALSE(Ide_split_settings("host", cmd, evt));
  EXPECT_FALSE(Ide_split_settings("host;5000", cmd, evt));
  EXPECT_FALSE(Ide_split_settings("host;;5001", cmd, evt));
  EXPECT_FALSE(Ide_split_settings("host;5000;", cmd, evt));
  EXPECT_FALSE(Ide_split_settings(";5000;5001", cmd, evt));
  EXPECT_FALSE(Ide_split_settings("h;1;" + std::string(200, '9'), cmd, evt));  // over 128 characters
}

TEST(IdeLink, UnknownCommandsAreBad) {
  EXPECT_EQ(ParseEclipseCommands("frob", 4), -1);
  EXPECT_EQ(ParseEclipseCommands("", 0), -1);
  EXPECT_EQ(ParseEclipseCommands("var", 3), -1);  // a var without its name
  EXPECT_EQ(ParseEclipseCommands("sus", 3), -1);  // a part of a word is not the word
  // Outside the console the run commands are answered but do nothing.
  EXPECT_EQ(ParseEclipseCommands("STEP", 4), 1);
  EXPECT_EQ(ParseEclipseCommands("exit", 4), 1);
}
