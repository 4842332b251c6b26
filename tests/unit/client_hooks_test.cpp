// What INVOKE, EXECUTE and the trace hand to an attached thin client, seen
// through request hooks that record instead of sending.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console_env.h"
#include "core/host.h"
#include "functions/trace.h"

namespace {

std::vector<std::string> sent;

class ClientHooks : public Console_env {
 protected:
  void SetUp() override {
    Console_env::SetUp();
    ws.Prm.QT = true;
    sent.clear();
    saved = Client_requests;
    Client_requests.attached = [] { return true; };
    Client_requests.invoke = [](const std::string& c, bool wait, bool second, bool third) {
      sent.push_back("invoke " + c + " " + std::to_string(wait) + std::to_string(second) + std::to_string(third));
    };
    Client_requests.statement = [](const std::string& t) { sent.push_back("statement " + t); };
    Client_requests.trace = [](const std::string& t) { sent.push_back("trace " + t); };
  }
  void TearDown() override {
    Trace_window(false);
    Trace_end();
    Client_requests = saved;
    Console_env::TearDown();
  }
  Client_request_hooks saved;
};

TEST_F(ClientHooks, InvokeOfClientCommandsGoesToTheClient) {
  ws.Last_errno = 5;
  type("INVOKE \"[vrl]notepad x.txt\"");
  type("INVOKE WAIT \"[lcl]calc\"");
  type("\"[vrl]wait for me\"");  // a string alone: INVOKE with the wait flag
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0], "invoke notepad x.txt 000");
  EXPECT_EQ(sent[1], "invoke calc 100");
  EXPECT_EQ(sent[2], "invoke wait for me 100");
  EXPECT_EQ(ws.Last_errno, 0);
}

TEST_F(ClientHooks, ExecuteOfClientTextGoesToTheClient) {
  type("EXECUTE \"[vrl]PRINT 1\"");
  type("EXECUTE \"X=5\"");  // not a client text: runs here
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], "statement PRINT 1");
  Var_node* v = Look_var_name(1, reinterpret_cast<const uint8_t*>("X"), 1);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->num.mant, 5);
}

TEST_F(ClientHooks, NothingGoesOutWithoutAClient) {
  Client_requests.attached = [] { return false; };
  type("EXECUTE \"[vrl]X=1\"");  // runs here, where "[vrl]" is no statement
  EXPECT_TRUE(sent.empty());
}

TEST_F(ClientHooks, TraceWindowGetsTheProgramNameAndEachLine) {
  program({"10 X=1", "20 GOSUB 40", "30 END", "40 Y=2; RETURN"});
  Trace_window(true);
  EXPECT_TRUE(ws.Run_flags & RF_TRACE);
  type("RUN");
  ASSERT_GE(sent.size(), 5u);
  EXPECT_EQ(sent[0], "trace <Unamed program>");
  EXPECT_EQ(sent[1], "trace  0010 X=1");
  EXPECT_EQ(sent[2], "trace  0020 GOSUB 40");
  EXPECT_EQ(sent[3], "trace  0040 Y=2; RETURN");
  EXPECT_EQ(sent[4], "trace  0030 END");
  // The window goes with its client.
  Client_requests.attached = [] { return false; };
  sent.clear();
  type("RUN");
  EXPECT_TRUE(sent.empty());
}

TEST(TraceWindowLine, DepthMarksAndTheCut) {
  EXPECT_EQ(Trace_window_line(0, "10 X=1"), " 10 X=1");
  EXPECT_EQ(Trace_window_line(2, "10 X=1"), " : : 10 X=1");
  std::string t = Trace_window_line(1, std::string(300, 'a'));
  EXPECT_EQ(t.size(), 3u + 256u);
  EXPECT_EQ(t.substr(t.size() - 3), "...");
  EXPECT_EQ(Trace_window_line(0, std::string(256, 'b')).size(), 257u);
}

}  // namespace
