// Every road of a trace on the sample server's planted messages, the report compared byte for
// byte; the walker's rules are unit tests, here is the report as the user sees it.
#include <gtest/gtest.h>

#include "e2e_support.h"

namespace rq::e2e {
namespace {

const std::string kSmtp = "SMTP Connector (SMTP)", kSf = "Postoffice Connector (SF)",
                  kLs = "List Server Connector (LS)", kPop = "POP Retrieval Connector (POP)";

class TraceRoad : public ::testing::Test {
 protected:
  const Sample& s = Sample::Get();
  const Day today = s.today();

  static std::string Head(const std::string& id, bool backward) {
    return "Trace: Tracing message with Message ID [" + id + "] from the SMTP " +
           (backward ? "Outbound" : "Inbound") + " Queue\r\n\r\n";
  }
  // The report's start for a message routed to `queues` queues, and the routing line written
  // today at the given time.
  std::string Fwd(const std::string& id, int queues, const std::string& time,
                  const std::string& connector, const std::string& newId) const {
    return Head(id, false) + "Status: Message ID [" + id +
           "] was routed by the MTA from the SMTP Inbound Queue to " + std::to_string(queues) +
           " destination queue(s)\r\n\r\n" + Route(time, id, connector, newId);
  }
  std::string Route(const std::string& time, const std::string& id, const std::string& connector,
                    const std::string& newId) const {
    return today.Iso() + " " + time + " Queue Route: Message ID [" + id +
           "] was routed by the MTA from the SMTP Inbound Queue to the " + connector +
           " Outbound Queue with a Message ID of [" + newId + "]\r\n\r\n";
  }
  // Backward from a copy: its parent and the parent's routing line, written today at `time`.
  std::string Back(const std::string& copy, const std::string& parent, const std::string& time,
                   const std::string& connector, const std::string& origin) const {
    return Head(copy, true) + "Trace: Message ID [" + copy +
           "] was split from parent Message ID [" + parent +
           "] at the SMTP Outbound Queue\r\n\r\n" + Head(parent, true) + "Status: Message ID [" +
           parent +
           "] was routed by the MTA to the SMTP Outbound Queue from 1 Originating "
           "queue(s)\r\n\r\n" +
           today.Iso() + " " + time + " Queue Route: Message ID [" + parent +
           "] was routed by the MTA to the SMTP Outbound Queue from the " + connector +
           " Inbound Queue with an originating Message ID of [" + origin + "]\r\n\r\n";
  }
  // A copy's line and, when today's SMTP activity names it (as often as the sample planted), its
  // delivery block.
  std::string Copy(const std::string& queue, const std::string& domain, const std::string& copy,
                   std::size_t activityLines) const {
    const std::vector<std::string> lines = LinesContaining(s.SmtpActivity(today), copy);
    EXPECT_EQ(lines.size(), activityLines) << copy;
    return Queued(queue, domain, copy) +
           (lines.empty() ? "" : Delivery(copy, domain, CrLfLines(lines)));
  }
  // The first line of a connector debug log that names the ID in brackets; only that one is shown.
  std::string First(const std::string& head, const std::string& folder,
                    const std::string& id) const {
    const std::vector<std::string> lines =
        LinesContaining(s.Log(head, folder, today), "[" + id + "]");
    EXPECT_FALSE(lines.empty()) << id;
    return lines.empty() ? std::string() : lines.front() + "\r\n\r\n";
  }
  std::string PocFirst(const std::string& id) const {
    return First("POC-Debug", "Logs/Debug/SF", id);
  }
  static std::string NotRouted(const std::string& id) {
    return Head(id, false) + "Result: [" + id +
           "] was not routed from the SMTP inbound message queue by the local MTA Service. This "
           "most likely means that the message was not completely recieved by the connector.\r\n"
           "Important: Message ID [" +
           id +
           "] does not seem to have been routed through Ravenquill queues (an error most likely "
           "occured when receiving this message).\r\n\r\n";
  }
};

TEST_F(TraceRoad, EveryRoadWritesItsReport) {
  struct Row {
    std::string id;
    bool backward;
    std::string out;
  };
  const std::vector<Row> rows = {
      // The deferred third copy has no SMTP conversation: no delivery block.
      {"4F2A0C11", false,
       Fwd("4F2A0C11", 1, "09:12:40.012", kSmtp, "4F2A0C2E") + SplitLine("4F2A0C2E", 3) +
           Copy("4F2A0C2E", "bluefin.example", "4F2A0C3A", 6) +
           Copy("4F2A0C2E", "oakridge.example", "4F2A0C3B", 5) +
           Copy("4F2A0C2E", "quarry.example", "4F2A0C3C", 0)},
      {"6B81D204", false,
       Fwd("6B81D204", 1, "09:20:30.012", kSf, "6B81D219") + PocFirst("6B81D219")},
      // Without a delivery line the note names the day in the short date form.
      {"6B81D3A0", false,
       Fwd("6B81D3A0", 1, "09:31:21.012", kSf, "6B81D3B5") +
           "6B81D3B5 seems to have been delivered to the postoffice connector, but there was no "
           "log entry on " +
           today.CShort() + " to indicate that it was delivered to any mailbox.\r\n"},
      {"71C0E44D", true,
       Back("71C0E44D", "71C0E42B", "09:40:30.012", kSf, "71C0E410") + PocFirst("71C0E410")},
      // A copy made by the postoffice itself.
      {"71C0E622", true,
       Back("71C0E622", "71C0E607", "09:50:30.012", kSf, "71C0E5F0") +
           "71C0E5F0 seems to have been generated at the postoffice connector inbound queue. The "
           "message was most likely sent by ZazUzez, ZIVERede or it is a system generated message "
           "initiated by the postoffice connector.\r\n"},
      {"83D5A901", false,
       Fwd("83D5A901", 1, "10:02:30.012", kLs, "83D5A91C") +
           First("LS-Debug", "Connectors/LS/Logs", "83D5A91C")},
      // A routed message is always reported, even when the list server logged nothing about it.
      {"83D5AA40", false, Fwd("83D5AA40", 1, "10:11:30.012", kLs, "83D5AA57")},
      {"92E6B110", false,
       Fwd("92E6B110", 2, "10:20:30.012", kSmtp, "92E6B12A") + SplitLine("92E6B12A", 2) +
           Copy("92E6B12A", "pinecrest.example", "92E6B14C", 5) +
           Copy("92E6B12A", "marlow.example", "92E6B14D", 5) +
           Route("10:20:30.024", "92E6B110", kSf, "92E6B12B") + PocFirst("92E6B12B")},
      {"92E6B300", false,
       Fwd("92E6B300", 2, "10:30:30.012", kSmtp, "92E6B31A") + SplitLine("92E6B31A", 1) +
           Copy("92E6B31A", "tidewater.example", "92E6B33C", 5) +
           Route("10:30:30.024", "92E6B300", kLs, "92E6B31B")},
      {"A4F7015D", true, Back("A4F7015D", "A4F7013B", "10:40:30.012", kPop, "A4F70120")},
      // An unknown connector's name is left empty.
      {"A4F70270", false, Fwd("A4F70270", 1, "10:50:30.012", "", "A4F7028B")},
      {"4F2A0C3A", true, Back("4F2A0C3A", "4F2A0C2E", "09:12:40.012", kSmtp, "4F2A0C11")},
      {"B5081C44", false,
       Head("B5081C44", false) +
           "Result: [B5081C44] is waiting in the SMTP inbound message queue to be routed by the "
           "MTA Service. This most likely means that the MTA service has not had sufficient time "
           "to route the message or that there is a problem with the MTA Service.\r\n"},
      {"B5081D07", false,
       NotRouted("B5081D07") +
           "Status: SMTP Inbound transaction details for Message ID [B5081D07] follow below: \r\n" +
           CrLfLines(LinesContaining(s.SmtpActivity(today), "B5081D07")) + "\r\n"},
      // Readers look for copy IDs as bare text, so the shorter copy's block shows the longer
      // one's lines as well; each block still names its own copy.
      {"E8B40A10", false,
       Fwd("E8B40A10", 1, "11:30:30.012", kSmtp, "E8B40A2C") + SplitLine("E8B40A2C", 2) +
           Copy("E8B40A2C", "alder.example", "E8B40A3E", 10) +
           Copy("E8B40A2C", "birch.example", "E8B40A3E7", 5)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    std::vector<std::string> args = {"trace", "--date", today.LogDate(), row.id};
    if (row.backward) args.insert(args.begin() + 1, "--backtrace");
    const RunResult r = s.Trace(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, row.out);
    EXPECT_EQ(r.err, "");
  }
}

// The walk reads one day only: yesterday's logs know nothing of a message of today.
TEST_F(TraceRoad, MessageOfAnotherDayIsNotRoutedThatDay) {
  const RunResult r = s.Trace({"trace", "--date", today.Plus(-1).LogDate(), "4F2A0C11"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, NotRouted("4F2A0C11"));
}

}  // namespace
}  // namespace rq::e2e
