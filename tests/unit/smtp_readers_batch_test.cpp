// Reading a log once for many IDs gives each ID exactly what a reading of its own gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "readers/smtp_readers.h"
#include "test_support.h"

namespace rq {
namespace {

const Date kDay{2024, 3, 9};

TEST(TransactionReadersForEach, SameAsOneReadingPerId) {
  test::SampleServer sample;
  const std::string log = test::CrLfLines({
      "10:00\tSMTP-OU\tC1\tx\t1.2.3.4\tMAIL\t<a@b>",
      "10:01\tSMTP-OU\tC10\tx\t1.2.3.4\tRCPT\t<c@d>",
      "",
      "10:02\tSMTP-OU\tC2\tx\t1.2.3.4\tDATA\tC1 and C2 in one line",
      "10:03\tSMTP-OU\tC100\tx\t1.2.3.4\tQUIT\t",
  });
  sample.WriteLog("SMTP", "Activity", kDay, log);
  sample.WriteLog("SMTP", "Debug", kDay, log + "tail without break C3");
  // Prefixes of one another, a duplicate, one without lines, the empty ID, an ID with a CR.
  const std::vector<std::string> ids = {"C1", "C10", "C100", "C2", "C1", "C9", "", "C\r"};
  std::vector<std::string_view> views(ids.begin(), ids.end());

  for (const bool debug : {false, true}) {
    std::vector<std::string> batch(ids.size(), std::string());
    batch[3] = "kept ";  // text already there stays in front
    const std::vector<int> answers =
        debug ? GetSMTPDebugDeliveryForEach(sample.server(), kDay, views, batch)
              : GetSMTPTransactionDetailsForEach(sample.server(), kDay, views, batch);
    for (std::size_t i = 0; i < ids.size(); ++i) {
      std::string single = i == 3 ? "kept " : "";
      const int answer = debug ? GetSMTPDebugDelivery(sample.server(), kDay, ids[i], single)
                               : GetSMTPTransactionDetails(sample.server(), kDay, ids[i], single);
      EXPECT_EQ(batch[i], single) << "debug " << debug << " id " << i;
      EXPECT_EQ(answers[i], answer) << "debug " << debug << " id " << i;
    }
  }
}

TEST(TransactionReadersForEach, MissingLogAnswersZeroForEveryId) {
  test::SampleServer sample;
  const std::vector<std::string_view> ids = {"A", "B"};
  std::vector<std::string> results = {"x", ""};
  EXPECT_EQ(GetSMTPTransactionDetailsForEach(sample.server(), kDay, ids, results),
            (std::vector<int>{0, 0}));
  EXPECT_EQ(GetSMTPDebugDeliveryForEach(sample.server(), kDay, ids, results),
            (std::vector<int>{0, 0}));
  EXPECT_EQ(results, (std::vector<std::string>{"x", ""}));
}

}  // namespace
}  // namespace rq
