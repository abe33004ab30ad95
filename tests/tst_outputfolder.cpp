// Where the pair goes, through the real window: Pic beside the program where its folder can hold
// it, else the user's own data folder; Open directory opens the one used.

#include "lib/look/controls.h"
#include "lib/picture/memo.h"
#include "support.h"
#include "ui/Unit1.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing;

namespace {

// A folder no one may write into for the life of the object, root included: root gets a
// read-only mount of it, an ordinary user a folder without write permission.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& folder) : where_(QFile::encodeName(folder)) {
        if (::geteuid() != 0) {
            mounted_ = false;
            ok_ = ::chmod(where_.constData(), 0555) == 0;
            return;
        }
        ok_ = ::mount(where_.constData(), where_.constData(), nullptr, MS_BIND, nullptr) == 0 &&
              ::mount(nullptr, where_.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                      nullptr) == 0;
        if (!ok_)
            error_ = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~ReadOnlyFolder() {
        if (mounted_)
            ::umount2(where_.constData(), MNT_DETACH);
        else
            ::chmod(where_.constData(), 0755);
    }
    bool ok() const { return ok_; }
    QString error() const { return error_; }

private:
    QByteArray where_;
    bool mounted_ = true;
    bool ok_ = false;
    QString error_;
};

const QString Text = QStringLiteral("Text saved for an ordinary user\r\n中文");

} // namespace

class OutputFolderTest : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    QString program_; // the program folder, with its separator
    QString home_;
    std::unique_ptr<TForm1> form_;
    std::vector<std::unique_ptr<ReadOnlyFolder>> readOnly_;
    int run_ = 0;

    bool makeReadOnly(const QString& folder) {
        readOnly_.push_back(std::make_unique<ReadOnlyFolder>(folder));
        return readOnly_.back()->ok();
    }

    std::vector<SeenBox> convert() {
        form_->Memo1->SetText(Text);
        return whileClosingModals([&] { QTest::mouseClick(form_->BitBtn1, Qt::LeftButton); });
    }

private slots:
    void initTestCase() {
        startLikeTheProgram();
        keepMountsPrivate();
        QVERIFY(root_.isValid());
    }

    void init() {
        ++run_;
        program_ = root_.filePath(QStringLiteral("program %1/").arg(run_));
        home_ = root_.filePath(QStringLiteral("home %1").arg(run_));
        QVERIFY(QDir().mkpath(program_) && QDir().mkpath(home_));
        qputenv("HOME", QFile::encodeName(home_));
        qunsetenv("XDG_DATA_HOME");
    }

    void cleanup() {
        form_.reset();
        readOnly_.clear();
    }

    void whereThePairGoes_data() {
        QTest::addColumn<QString>("programFolder"); // what the program folder is like
        QTest::addColumn<QString>("dataHome");      // XDG_DATA_HOME under the home folder
        QTest::addColumn<QString>("expected");      // the output folder, under @PROGRAM@ or @HOME@
        auto row = [](const char* name, const char* program, const char* data, const char* out) {
            QTest::newRow(name) << QString(program) << QString(data) << QString(out);
        };
        row("writable program folder", "writable", "data", "@PROGRAM@Pic");
        row("Pic missing with its parent", "missing", "data", "@PROGRAM@Pic");
        row("read-only program folder", "read-only", "data", "@HOME@/data/zorna-text-to-image/Pic");
        row("read-only Pic in a writable folder", "read-only Pic", "data",
            "@HOME@/data/zorna-text-to-image/Pic");
        row("read-only program folder, XDG_DATA_HOME unset", "read-only", "",
            "@HOME@/.local/share/zorna-text-to-image/Pic");
    }

    void whereThePairGoes() {
        QFETCH(QString, programFolder);
        QFETCH(QString, dataHome);
        QFETCH(QString, expected);
        if (programFolder == "missing")
            program_ += "missing/";
        expected.replace("@PROGRAM@", program_).replace("@HOME@", home_);
        if (!dataHome.isEmpty())
            qputenv("XDG_DATA_HOME", QFile::encodeName(home_ + '/' + dataHome));
        if (programFolder == "read-only Pic") {
            QVERIFY(QDir().mkpath(program_ + "Pic"));
            QVERIFY2(makeReadOnly(program_ + "Pic"), qPrintable(readOnly_.back()->error()));
        } else if (programFolder == "read-only") {
            QVERIFY2(makeReadOnly(program_), qPrintable(readOnly_.back()->error()));
        }

        form_ = openMainWindow(program_);
        QVERIFY(form_);
        QVERIFY(QFileInfo(expected).isDir()); // made at start-up

        const std::vector<SeenBox> boxes = convert();
        QCOMPARE(boxes.size(), size_t(1));
        static const QRegularExpression done(QStringLiteral(
            "^Picture has been saved to the path Pic name:(\\d{4}-\\d\\d-\\d\\d \\d{6})\\.jpg$"));
        const QRegularExpressionMatch m = done.match(boxes[0].text);
        QVERIFY2(m.hasMatch(), qPrintable(boxes[0].text));
        const QString stamp = m.captured(1);
        QCOMPARE(filesIn(expected), QStringList({stamp + ".jpg", stamp + ".txt"}));
        QVERIFY(!decodeJpeg(expected + '/' + stamp + ".jpg").isNull());
        QCOMPARE(readFile(expected + '/' + stamp + ".txt"), withFooter(Text).toUtf8());
        if (!expected.startsWith(program_))
            QVERIFY(filesIn(program_ + "Pic").isEmpty());

        StandInOpener opener;
        QVERIFY(opener.isValid());
        QTest::mouseClick(form_->btn1, Qt::LeftButton);
        const QList<QByteArray> opened = {QFile::encodeName(expected) + "|1"};
        QTRY_COMPARE_WITH_TIMEOUT(opener.calls(), opened, 10000);
    }

    // Neither the program folder nor the user's data folder can be written: the usual failure,
    // naming the user's folder, and the text stays in the window.
    void nowhereToWrite_data() {
        QTest::addColumn<QString>("dataHome");
        QTest::newRow("home folder read-only") << "";
        QTest::newRow("XDG_DATA_HOME read-only") << "data";
    }

    void nowhereToWrite() {
        QFETCH(QString, dataHome);
        QString userPic = home_ + "/.local/share/zorna-text-to-image/Pic";
        if (!dataHome.isEmpty()) {
            QVERIFY(QDir().mkpath(home_ + '/' + dataHome));
            qputenv("XDG_DATA_HOME", QFile::encodeName(home_ + '/' + dataHome));
            userPic = home_ + '/' + dataHome + "/zorna-text-to-image/Pic";
            QVERIFY(makeReadOnly(home_ + '/' + dataHome));
        } else {
            QVERIFY(makeReadOnly(home_));
        }
        QVERIFY(makeReadOnly(program_));
        form_ = openMainWindow(program_);
        QVERIFY(form_);

        const std::vector<SeenBox> boxes = convert();
        QCOMPARE(boxes.size(), size_t(1));
        const QString pattern = "^Cannot create file \"" + QRegularExpression::escape(userPic) +
                                "/[^/\"]+\\.jpg\"\\. No such file or directory\\.$";
        QVERIFY2(QRegularExpression(pattern).match(boxes[0].text).hasMatch(),
                 qPrintable(boxes[0].text));
        QCOMPARE(boxes[0].title, TForm1::Caption);
        QCOMPARE(boxes[0].icon, QMessageBox::Critical);
        QCOMPARE(form_->Memo1->Text(), withFooter(Text));
        QVERIFY(filesIn(program_).isEmpty());
        QCOMPARE(filesIn(home_), dataHome.isEmpty() ? QStringList() : QStringList{dataHome});
        QVERIFY(filesIn(home_ + '/' + dataHome).isEmpty());
    }
};

QTEST_MAIN(OutputFolderTest)
#include "tst_outputfolder.moc"
