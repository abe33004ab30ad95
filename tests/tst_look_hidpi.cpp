// The look on a screen of twice the pixel density: images are drawn for the device pixels, not
// scaled up from the logical ones.

#include "lib/look/skinframe.h"
#include "lib/look/statusbar.h"
#include "shell/Communal.h"
#include "ui/Unit1.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

namespace {

QtMessageHandler previousHandler = nullptr;
void dropPluginWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    previousHandler(type, context, message);
}

} // namespace

class TestLookHiDpi : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void iconUsesTheLargeImage();
    void edgesAreSharp_data();
    void edgesAreSharp();

private:
    QTemporaryDir folder_;
    std::unique_ptr<TForm1> form;
    QImage shot_;
};

void TestLookHiDpi::initTestCase() {
    previousHandler = qInstallMessageHandler(dropPluginWarnings);
    QVERIFY(folder_.isValid());
    Communal::SetProgramFolder(folder_.path());
    form = std::make_unique<TForm1>();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QCOMPARE(form->devicePixelRatio(), 2.0);
    shot_ = form->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(shot_.size(), QSize(1132, 1238));
}

void TestLookHiDpi::iconUsesTheLargeImage() {
    const QImage icon = QImage(QStringLiteral(":/skin/icons/zorna-text-to-image-32.png"))
                            .convertToFormat(QImage::Format_ARGB32);
    int opaque = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (qAlpha(icon.pixel(x, y)) == 255) {
                ++opaque;
                QCOMPARE(shot_.pixel(10 + x, 10 + y), icon.pixel(x, y));
            }
    QVERIFY(opaque > 400);
}

void TestLookHiDpi::edgesAreSharp_data() {
    // A vertical one-pixel edge: logical column, logical row to look along.
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::newRow("Minimize's left edge") << 519 << 15;
    QTest::newRow("Close's left edge") << 542 << 15;
    QTest::newRow("web site pane's line") << 4 + 1 << 27 + 569 + 9;
    QTest::newRow("clock pane's line") << 4 + 215 + 1 << 27 + 569 + 9;
}

void TestLookHiDpi::edgesAreSharp() {
    QFETCH(int, x);
    QFETCH(int, y);
    const auto px = [this, y](int deviceX) { return shot_.pixel(deviceX, 2 * y); };
    // Two device pixels of one colour, neither blended with its neighbours.
    QCOMPARE(px(2 * x), px(2 * x + 1));
    QVERIFY(px(2 * x - 1) != px(2 * x));
    QVERIFY(px(2 * x + 2) != px(2 * x + 1));
}

QTEST_MAIN(TestLookHiDpi)
#include "tst_look_hidpi.moc"
