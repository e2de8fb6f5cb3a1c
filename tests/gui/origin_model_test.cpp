// The origin list model: consistent for the view (QAbstractItemModelTester), log bytes shown as
// Windows-1252 text, the raw key kept, and a long list delivered in one reset.
#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include "app/gui/origin_model.h"

using namespace rq;

class OriginModelTest : public QObject {
  Q_OBJECT

 private slots:
  void staysConsistentAndShowsLogBytesAsText();
  void longListArrivesInOneReset();
};

void OriginModelTest::staysConsistentAndShowsLogBytesAsText() {
  OriginModel model;
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
  QCOMPARE(model.rowCount(), 0);
  QCOMPARE(model.columnCount(), 3);
  OriginList list;
  list.AddItemToSourceList("10:00", "A1", "1.2.3.4 <a@b>");
  list.AddItemToSourceList("12:00", "ID\xE9", "10.0.0.1 <ren\xE9@caf\xE9.fr> \x80");
  list.AddItemToSourceList("10:02", "A1", "refused: same key");
  model.SetOrigins(list);
  QCOMPARE(model.rowCount(), 2);
  QCOMPARE(model.index(0, OriginModel::kDataColumn).data().toString(),
           QStringLiteral("1.2.3.4 <a@b>"));
  QCOMPARE(model.index(1, OriginModel::kMessageIdColumn).data().toString(),
           QString::fromUtf8("ID\u00E9"));
  QCOMPARE(model.index(1, OriginModel::kDataColumn).data().toString(),
           QString::fromUtf8("10.0.0.1 <ren\u00E9@caf\u00E9.fr> \u20AC"));
  // The key stays the log's bytes, so the commands look up exactly what the log holds.
  QCOMPARE(model.index(1, OriginModel::kDataColumn).data(OriginModel::kKeyRole).toByteArray(),
           QByteArray("ID\xE9"));
  QVERIFY(!model.index(0, 0).data(Qt::DecorationRole).isValid());
  QVERIFY(!model.index(0, 0, model.index(0, 0)).isValid());  // a flat table

  model.SetOrigins(OriginList());
  QCOMPARE(model.rowCount(), 0);
}

void OriginModelTest::longListArrivesInOneReset() {
  OriginModel model;
  QTreeView view;
  view.setUniformRowHeights(true);
  view.setRootIsDecorated(false);
  view.setModel(&model);
  view.resize(640, 240);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
  QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
  constexpr int kRows = 100000;
  QElapsedTimer timer;
  timer.start();
  OriginList list;
  for (int i = 0; i < kRows; ++i) {
    const std::string id = "MSG" + std::to_string(i);
    list.AddItemToSourceList("10:00:00", id, "192.0.2.1 <sender@example.org>");
  }
  model.SetOrigins(list);
  view.scrollToBottom();
  QCoreApplication::processEvents();
  // Reported for the record only; timing never fails the test.
  qInfo("%d rows filled and shown in %lld ms", kRows, static_cast<long long>(timer.elapsed()));
  QCOMPARE(resets.count(), 1);
  QCOMPARE(inserts.count(), 0);
  QCOMPARE(model.rowCount(), kRows);
  QCOMPARE(model.index(kRows - 1, 1).data().toString(), QStringLiteral("MSG99999"));
}

QTEST_MAIN(OriginModelTest)
#include "origin_model_test.moc"
