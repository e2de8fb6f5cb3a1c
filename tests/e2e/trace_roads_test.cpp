// Every road of a trace, run with rqtrace on the planted messages of the sample server; the
// report is compared byte for byte with the text the trace must write.
#include <gtest/gtest.h>

#include "e2e_support.h"

namespace rq::e2e {
namespace {

const std::string kCrLf = "\r\n";

class TraceRoad : public ::testing::Test {
 protected:
  const Sample& s = Sample::Get();
  const Day today = s.today();

  RunResult TraceFwd(const std::string& id) const {
    return s.Trace({"trace", "--date", today.LogDate(), id});
  }
  RunResult TraceBack(const std::string& id) const {
    return s.Trace({"trace", "--date", today.LogDate(), "--backtrace", id});
  }
  // The stamp of a routing line written today at the given time.
  std::string At(const std::string& time) const { return today.Iso() + " " + time; }

  // Today's SMTP activity lines that name the ID, checked to be as many as the sample planted.
  std::string Activity(const std::string& id, std::size_t expectedLines) const {
    const std::vector<std::string> lines = LinesContaining(s.SmtpActivity(today), id);
    EXPECT_EQ(lines.size(), expectedLines) << id;
    return WithCrLf(lines);
  }
  // The first line of a connector debug log that names the ID in brackets.
  static std::string FirstBracketed(const std::filesystem::path& log, const std::string& id) {
    const std::vector<std::string> lines = LinesContaining(log, "[" + id + "]");
    EXPECT_FALSE(lines.empty()) << id;
    return lines.empty() ? std::string() : lines.front() + kCrLf;
  }

  static std::string Queued(const std::string& parent, const std::string& domain,
                            const std::string& copy) {
    return " Queued: Message ID [" + parent + "] queued for delivery to the domain [" + domain +
           "] at the SMTP Outbound Queue with a new Message ID of [" + copy + "]\r\n\r\n";
  }
  static std::string Outbound(const std::string& copy, const std::string& domain,
                              const std::string& lines) {
    return "Status: SMTP Outbound Delivery details for Message ID [" + copy + "] to domain [" +
           domain + "] follow below: \r\n" + lines + kCrLf;
  }
};

TEST_F(TraceRoad, ForwardIntoSmtpSplitPerDomainWithAndWithoutTransactionLines) {
  const RunResult r = TraceFwd("4F2A0C11");
  const std::string expected =
      "Trace: Tracing message with Message ID [4F2A0C11] from the SMTP Inbound Queue\r\n\r\n"
      "Status: Message ID [4F2A0C11] was routed by the MTA from the SMTP Inbound Queue to 1 "
      "destination queue(s)\r\n\r\n" +
      At("09:12:40.012") +
      " Queue Route: Message ID [4F2A0C11] was routed by the MTA from the SMTP Inbound Queue to "
      "the SMTP Connector (SMTP) Outbound Queue with a Message ID of [4F2A0C2E]\r\n\r\n"
      "Fork/Split: Message ID [4F2A0C2E] requeued/split into 3 messages for delivery to target "
      "domains.\r\n" +
      Queued("4F2A0C2E", "bluefin.example", "4F2A0C3A") +
      Outbound("4F2A0C3A", "bluefin.example", Activity("4F2A0C3A", 6)) +
      Queued("4F2A0C2E", "oakridge.example", "4F2A0C3B") +
      Outbound("4F2A0C3B", "oakridge.example", Activity("4F2A0C3B", 5)) +
      // The deferred copy has no SMTP conversation: no delivery block.
      Queued("4F2A0C2E", "quarry.example", "4F2A0C3C");
  Activity("4F2A0C3C", 0);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.err, "");
}

TEST_F(TraceRoad, ForwardIntoPostofficeWithItsDeliveryLine) {
  const RunResult r = TraceFwd("6B81D204");
  const std::string expected =
      "Trace: Tracing message with Message ID [6B81D204] from the SMTP Inbound Queue\r\n\r\n"
      "Status: Message ID [6B81D204] was routed by the MTA from the SMTP Inbound Queue to 1 "
      "destination queue(s)\r\n\r\n" +
      At("09:20:30.012") +
      " Queue Route: Message ID [6B81D204] was routed by the MTA from the SMTP Inbound Queue to "
      "the Postoffice Connector (SF) Outbound Queue with a Message ID of [6B81D219]\r\n\r\n" +
      FirstBracketed(s.PocDebug(today), "6B81D219") + kCrLf;
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected);
}

TEST_F(TraceRoad, ForwardIntoPostofficeWithoutDeliveryNamesTheDayInShortForm) {
  const RunResult r = TraceFwd("6B81D3A0");
  const std::string expected =
      "Trace: Tracing message with Message ID [6B81D3A0] from the SMTP Inbound Queue\r\n\r\n"
      "Status: Message ID [6B81D3A0] was routed by the MTA from the SMTP Inbound Queue to 1 "
      "destination queue(s)\r\n\r\n" +
      At("09:31:21.012") +
      " Queue Route: Message ID [6B81D3A0] was routed by the MTA from the SMTP Inbound Queue to "
      "the Postoffice Connector (SF) Outbound Queue with a Message ID of [6B81D3B5]\r\n\r\n"
      "6B81D3B5 seems to have been delivered to the postoffice connector, but there was no log "
      "entry on " +
      today.CShort() + " to indicate that it was delivered to any mailbox.\r\n";
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected);
}

TEST_F(TraceRoad, BackwardFromCopyToPostofficeUserWithItsSubmissionLine) {
  const RunResult r = TraceBack("71C0E44D");
  const std::string expected =
      "Trace: Tracing message with Message ID [71C0E44D] from the SMTP Outbound Queue\r\n\r\n"
      "Trace: Message ID [71C0E44D] was split from parent Message ID [71C0E42B] at the SMTP "
      "Outbound Queue\r\n\r\n"
      "Trace: Tracing message with Message ID [71C0E42B] from the SMTP Outbound Queue\r\n\r\n"
      "Status: Message ID [71C0E42B] was routed by the MTA to the SMTP Outbound Queue from 1 "
      "Originating queue(s)\r\n\r\n" +
      At("09:40:30.012") +
      " Queue Route: Message ID [71C0E42B] was routed by the MTA to the SMTP Outbound Queue from "
      "the Postoffice Connector (SF) Inbound Queue with an originating Message ID of "
      "[71C0E410]\r\n\r\n" +
      FirstBracketed(s.PocDebug(today), "71C0E410") + kCrLf;
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected);
}

TEST_F(TraceRoad, BackwardFromCopyMadeByThePostofficeItself) {
  const RunResult r = TraceBack("71C0E622");
  const std::string expected =
      "Trace: Tracing message with Message ID [71C0E622] from the SMTP Outbound Queue\r\n\r\n"
      "Trace: Message ID [71C0E622] was split from parent Message ID [71C0E607] at the SMTP "
      "Outbound Queue\r\n\r\n"
      "Trace: Tracing message with Message ID [71C0E607] from the SMTP Outbound Queue\r\n\r\n"
      "Status: Message ID [71C0E607] was routed by the MTA to the SMTP Outbound Queue from 1 "
      "Originating queue(s)\r\n\r\n" +
      At("09:50:30.012") +
      " Queue Route: Message ID [71C0E607] was routed by the MTA to the SMTP Outbound Queue from "
      "the Postoffice Connector (SF) Inbound Queue with an originating Message ID of "
      "[71C0E5F0]\r\n\r\n"
      "71C0E5F0 seems to have been generated at the postoffice connector inbound queue. The "
      "message was most likely sent by ZazUzez, ZIVERede or it is a system generated message "
      "initiated by the postoffice connector.\r\n";
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected);
}

TEST_F(TraceRoad, ForwardIntoListServerShowsOnlyItsFirstLine) {
  const RunResult r = TraceFwd("83D5A901");
  ASSERT_EQ(LinesContaining(s.LsDebug(today), "[83D5A91C]").size(), 4u);
  const std::string expected =
      "Trace: Tracing message with Message ID [83D5A901] from the SMTP Inbound Queue\r\n\r\n"
      "Status: Message ID [83D5A901] was routed by the MTA from the SMTP Inbound Queue to 1 "
      "destination queue(s)\r\n\r\n" +
      At("10:02:30.012") +
      " Queue Route: Message ID [83D5A901] was routed by the MTA from the SMTP Inbound Queue to "
      "the List Server Connector (LS) Outbound Queue with a Message ID of [83D5A91C]\r\n\r\n" +
      FirstBracketed(s.LsDebug(today), "83D5A91C") + kCrLf;
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected);
}

// A routed message is always reported, even when the list server logged nothing about it.
TEST_F(TraceRoad, ForwardIntoListServerWithoutItsLineIsStillReported) {
  const RunResult r = TraceFwd("83D5AA40");
  const std::string expected =
      "Trace: Tracing message with Message ID [83D5AA40] from the SMTP Inbound Queue\r\n\r\n"
      "Status: Message ID [83D5AA40] was routed by the MTA from the SMTP Inbound Queue to 1 "
      "destination queue(s)\r\n\r\n" +
      At("10:11:30.012") +
      " Queue Route: Message ID [83D5AA40] was routed by the MTA from the SMTP Inbound Queue to "
      "the List Server Connector (LS) Outbound Queue with a Message ID of [83D5AA57]\r\n\r\n";
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.err, "");
}

TEST_F(TraceRoad, ForwardIntoSmtpAndPostoffice) {
  const RunResult r = TraceFwd("92E6B110");
  const std::string expected =
      "Trace: Tracing message with Message ID [92E6B110] from the SMTP Inbound Queue\r\n\r\n"
      "Status: Message ID [92E6B110] was routed by the MTA from the SMTP Inbound Queue to 2 "
      "destination queue(s)\r\n\r\n" +
      At("10:20:30.012") +
      " Queue Route: Message ID [92E6B110] was routed by the MTA from the SMTP Inbound Queue to "
      "the SMTP Connector (SMTP) Outbound Queue with a Message ID of [92E6B12A]\r\n\r\n"
      "Fork/Split: Message ID [92E6B12A] requeued/split into 2 messages for delivery to target "
      "domains.\r\n" +
      Queued("92E6B12A", "pinecrest.example", "92E6B14C") +
      Outbound("92E6B14C", "pinecrest.example", Activity("92E6B14C", 5)) +
      Queued("92E6B12A", "marlow.example", "92E6B14D") +
      Outbound("92E6B14D", "marlow.example", Activity("92E6B14D", 5)) + At("10:20:30.024") +
      " Queue Route: Message ID [92E6B110] was routed by the MTA from the SMTP Inbound Queue to "
      "the Postoffice Connector (SF) Outbound Queue with a Message ID of [92E6B12B]\r\n\r\n" +
      FirstBracketed(s.PocDebug(today), "92E6B12B") + kCrLf;
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected);
}

TEST_F(TraceRoad, ForwardIntoSmtpAndListServerWithoutItsLine) {
  const RunResult r = TraceFwd("92E6B300");
  const std::string expected =
      "Trace: Tracing message with Message ID [92E6B300] from the SMTP Inbound Queue\r\n\r\n"
      "Status: Message ID [92E6B300] was routed by the MTA from the SMTP Inbound Queue to 2 "
      "destination queue(s)\r\n\r\n" +
      At("10:30:30.012") +
      " Queue Route: Message ID [92E6B300] was routed by the MTA from the SMTP Inbound Queue to "
      "the SMTP Connector (SMTP) Outbound Queue with a Message ID of [92E6B31A]\r\n\r\n"
      "Fork/Split: Message ID [92E6B31A] requeued/split into 1 messages for delivery to target "
      "domains.\r\n" +
      Queued("92E6B31A", "tidewater.example", "92E6B33C") +
      Outbound("92E6B33C", "tidewater.example", Activity("92E6B33C", 5)) + At("10:30:30.024") +
      " Queue Route: Message ID [92E6B300] was routed by the MTA from the SMTP Inbound Queue to "
      "the List Server Connector (LS) Outbound Queue with a Message ID of [92E6B31B]\r\n\r\n";
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected);
}

TEST_F(TraceRoad, BackwardToPopRetrievalNamesTheConnector) {
  const RunResult r = TraceBack("A4F7015D");
  const std::string expected =
      "Trace: Tracing message with Message ID [A4F7015D] from the SMTP Outbound Queue\r\n\r\n"
      "Trace: Message ID [A4F7015D] was split from parent Message ID [A4F7013B] at the SMTP "
      "Outbound Queue\r\n\r\n"
      "Trace: Tracing message with Message ID [A4F7013B] from the SMTP Outbound Queue\r\n\r\n"
      "Status: Message ID [A4F7013B] was routed by the MTA to the SMTP Outbound Queue from 1 "
      "Originating queue(s)\r\n\r\n" +
      At("10:40:30.012") +
      " Queue Route: Message ID [A4F7013B] was routed by the MTA to the SMTP Outbound Queue from "
      "the POP Retrieval Connector (POP) Inbound Queue with an originating Message ID of "
      "[A4F70120]\r\n\r\n";
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected);
}

TEST_F(TraceRoad, ForwardToUnknownConnectorLeavesItsNameEmpty) {
  const RunResult r = TraceFwd("A4F70270");
  const std::string expected =
      "Trace: Tracing message with Message ID [A4F70270] from the SMTP Inbound Queue\r\n\r\n"
      "Status: Message ID [A4F70270] was routed by the MTA from the SMTP Inbound Queue to 1 "
      "destination queue(s)\r\n\r\n" +
      At("10:50:30.012") +
      " Queue Route: Message ID [A4F70270] was routed by the MTA from the SMTP Inbound Queue to "
      "the  Outbound Queue with a Message ID of [A4F7028B]\r\n\r\n";
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected);
}

TEST_F(TraceRoad, BackwardFromSplitCopyToItsSmtpOrigin) {
  const RunResult r = TraceBack("4F2A0C3A");
  const std::string expected =
      "Trace: Tracing message with Message ID [4F2A0C3A] from the SMTP Outbound Queue\r\n\r\n"
      "Trace: Message ID [4F2A0C3A] was split from parent Message ID [4F2A0C2E] at the SMTP "
      "Outbound Queue\r\n\r\n"
      "Trace: Tracing message with Message ID [4F2A0C2E] from the SMTP Outbound Queue\r\n\r\n"
      "Status: Message ID [4F2A0C2E] was routed by the MTA to the SMTP Outbound Queue from 1 "
      "Originating queue(s)\r\n\r\n" +
      At("09:12:40.012") +
      " Queue Route: Message ID [4F2A0C2E] was routed by the MTA to the SMTP Outbound Queue from "
      "the SMTP Connector (SMTP) Inbound Queue with an originating Message ID of "
      "[4F2A0C11]\r\n\r\n";
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected);
}

TEST_F(TraceRoad, BackwardFromCopyWithoutParentShowsOnlyTheMessage) {
  const RunResult r = TraceBack("C6192E5A");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "Unable to trace message. Message does not seem to have been routed through Ravenquill "
            "queues.\n");
}

TEST_F(TraceRoad, WaitingInTheInboundQueue) {
  const RunResult r = TraceFwd("B5081C44");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Trace: Tracing message with Message ID [B5081C44] from the SMTP Inbound Queue\r\n\r\n"
            "Result: [B5081C44] is waiting in the SMTP inbound message queue to be routed by the "
            "MTA Service. This most likely means that the MTA service has not had sufficient time "
            "to route the message or that there is a problem with the MTA Service.\r\n");
}

std::string NotRouted(const std::string& id) {
  return "Trace: Tracing message with Message ID [" + id +
         "] from the SMTP Inbound Queue\r\n\r\n"
         "Result: [" +
         id +
         "] was not routed from the SMTP inbound message queue by the local MTA Service. This "
         "most likely means that the message was not completely recieved by the connector.\r\n"
         "Important: Message ID [" +
         id +
         "] does not seem to have been routed through Ravenquill queues (an error most likely "
         "occured when receiving this message).\r\n\r\n";
}

TEST_F(TraceRoad, NeverRoutedShowsItsInboundTransaction) {
  const RunResult r = TraceFwd("B5081D07");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, NotRouted("B5081D07") +
                       "Status: SMTP Inbound transaction details for Message ID [B5081D07] follow "
                       "below: \r\n" +
                       Activity("B5081D07", 5) + kCrLf);
}

// The walk reads one day only: yesterday's logs know nothing of a message of today.
TEST_F(TraceRoad, MessageOfAnotherDayIsNotRoutedThatDay) {
  const RunResult r = s.Trace({"trace", "--date", today.Plus(-1).LogDate(), "4F2A0C11"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, NotRouted("4F2A0C11"));
}

// Readers look for copy IDs as bare text, so the shorter copy's block shows the longer one's
// lines as well; each block still names its own copy.
TEST_F(TraceRoad, CopyIdThatStartsAnotherCopyIdSharesItsLines) {
  const RunResult r = TraceFwd("E8B40A10");
  const std::string expected =
      "Trace: Tracing message with Message ID [E8B40A10] from the SMTP Inbound Queue\r\n\r\n"
      "Status: Message ID [E8B40A10] was routed by the MTA from the SMTP Inbound Queue to 1 "
      "destination queue(s)\r\n\r\n" +
      At("11:30:30.012") +
      " Queue Route: Message ID [E8B40A10] was routed by the MTA from the SMTP Inbound Queue to "
      "the SMTP Connector (SMTP) Outbound Queue with a Message ID of [E8B40A2C]\r\n\r\n"
      "Fork/Split: Message ID [E8B40A2C] requeued/split into 2 messages for delivery to target "
      "domains.\r\n" +
      Queued("E8B40A2C", "alder.example", "E8B40A3E") +
      Outbound("E8B40A3E", "alder.example", Activity("E8B40A3E", 10)) +
      Queued("E8B40A2C", "birch.example", "E8B40A3E7") +
      Outbound("E8B40A3E7", "birch.example", Activity("E8B40A3E7", 5));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected);
}

}  // namespace
}  // namespace rq::e2e
