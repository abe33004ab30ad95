#include "ui/Unit1.h"

#include "lib/application/application.h"
#include "lib/application/dialogs.h"
#include "lib/application/fonts.h"
#include "lib/application/textarea.h"
#include "lib/look/controls.h"
#include "lib/look/skinframe.h"
#include "lib/look/statusbar.h"
#include "lib/picture/codepage.h"
#include "lib/picture/files.h"
#include "lib/picture/footer.h"
#include "lib/picture/memo.h"
#include "lib/picture/picture.h"
#include "lib/picture/warmup.h"
#include "shell/Communal.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScreen>

const QString TForm1::Caption = QStringLiteral("Zorna Text to Image V1.10");

namespace {

const QString Directions = QStringLiteral(
    "Directions for use: copying text into the text box below and click start, then generate the "
    "corresponding pictures and text file record, click on the open directory can see pictures, "
    "can be inserted into the weibo, harmonious community, etc.!");

} // namespace

TForm1::TForm1(QWidget* parent)
    : QWidget(parent), client_(new QWidget(this)),
      conversionClock_([] { return QDateTime::currentDateTime(); }) {
    setWindowTitle(Caption);
    setFont(textarea::tahoma(11));
    client_->resize(ClientWidth, ClientHeight);
    new SkinFrame(this, client_); // frameless window: the skin draws the frame around the client

    lbl2 = new TbsSkinStdLabel(Directions, client_);
    lbl2->setObjectName(QStringLiteral("lbl2"));
    lbl2->setGeometry(0, 0, 558, 52);

    Memo1 = new TMemo(client_);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(0, 52, textarea::OuterWidth, textarea::OuterHeight);
    Memo1->setFont(textarea::defaultFont());
    Memo1->setToolTip(QStringLiteral("双击空白处清空内容！"));
    new MemoWarmUp(Memo1); // a pasted text's first conversion as quick as a repeated one

    RzStatusBar1 = new TRzStatusBar(client_);
    RzStatusBar1->setObjectName(QStringLiteral("RzStatusBar1"));
    RzStatusBar1->setGeometry(0, 569, 558, 19);
    RzClockStatus1 = new TRzClockStatus(RzStatusBar1);
    RzClockStatus1->setObjectName(QStringLiteral("RzClockStatus1"));
    RzClockStatus1->setGeometry(215, 0, 150, 19);
    RzStatusPane1 = new TRzStatusPane(RzStatusBar1);
    RzStatusPane1->setObjectName(QStringLiteral("RzStatusPane1"));
    RzStatusPane1->setGeometry(365, 0, 193, 19);
    RzStatusPane1->setText(QStringLiteral("Email:") + footer::emailAddress());
    RzStatusPane2 = new TRzStatusPane(RzStatusBar1);
    RzStatusPane2->setObjectName(QStringLiteral("RzStatusPane2"));
    RzStatusPane2->setGeometry(0, 0, 169, 19);
    RzStatusPane2->setText(footer::shopAddress());

    BitBtn1 = new TbsSkinButton(QStringLiteral(" Start Conversion"), client_);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(38, 504, 99, 22);
    btn1 = new TbsSkinButton(QStringLiteral("Open directory"), client_);
    btn1->setObjectName(QStringLiteral("btn1"));
    btn1->setGeometry(173, 504, 92, 22);

    lbl1 = new TbsSkinLabel(QStringLiteral("The current length: 0"), client_);
    lbl1->setObjectName(QStringLiteral("lbl1"));
    lbl1->setGeometry(0, 397, 558, 19);

    grp1 = new TbsSkinGroupBox(QStringLiteral("Set"), client_);
    grp1->setObjectName(QStringLiteral("grp1"));
    grp1->setGeometry(312, 480, 249, 73);
    BitBtn2 = new TbsSkinButton(QStringLiteral("Font"), grp1);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(32, 32, 75, 22);
    BitBtn3 = new TbsSkinButton(QStringLiteral(" Backcolor"), grp1);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn3->setGeometry(135, 32, 75, 22);

    dlgFont1 = new TFontDialog(this);
    dlgFont1->setObjectName(QStringLiteral("dlgFont1"));
    dlgColor1 = new TColorDialog(this);
    dlgColor1->setObjectName(QStringLiteral("dlgColor1"));

    setTabOrder(Memo1, BitBtn2);
    setTabOrder(BitBtn2, BitBtn3);
    setTabOrder(BitBtn3, BitBtn1);
    setTabOrder(BitBtn1, btn1);

    bindEvent(Memo1, &TMemo::Change, this, &TForm1::Memo1Change);
    bindEvent(Memo1, &TMemo::DblClick, this, &TForm1::Memo1DblClick);
    bindEvent(BitBtn1, &QAbstractButton::clicked, this, &TForm1::BitBtn1Click);
    bindEvent(btn1, &QAbstractButton::clicked, this, &TForm1::btn1Click);
    bindEvent(BitBtn2, &QAbstractButton::clicked, this, &TForm1::BitBtn2Click);
    bindEvent(BitBtn3, &QAbstractButton::clicked, this, &TForm1::BitBtn3Click);

    Application->Guard([this] { FormCreate(); });
}

TForm1::~TForm1() = default;

void TForm1::FormCreate() {
    removeStrayTemporaries(Communal::ChooseOutputFolder());
}

void TForm1::SetConversionClock(std::function<QDateTime()> clock) {
    conversionClock_ = std::move(clock);
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (centred_)
        return;
    centred_ = true;
    if (QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        const QSize size = frameGeometry().size();
        move(area.left() + area.width() / 2 - size.width() / 2,
             area.top() + area.height() / 2 - size.height() / 2);
    }
}

bool TForm1::txttojpg(const QString& BasePath) {
    return picture::writeNew(*Memo1, BasePath + QStringLiteral(".jpg"));
}

void TForm1::BitBtn1Click() {
    if (codepage::byteLength(Memo1->Text()) > MaxTextLength) {
        ShowMessage(QStringLiteral("Word is too long!"));
        return;
    }
    const QDateTime now = conversionClock_();
    footer::appendTo(*Memo1);
    const QString folder = Communal::OutputFolder() + QLatin1Char('/');
    const QByteArray copy = codepage::encode(Memo1->Text());
    // No conversion replaces a file: when a pair of this second is there (two conversions in one
    // second, a clock set back), the next free second names this one.
    QString stamp;
    for (QDateTime when = now;; when = when.addSecs(1)) {
        stamp = QLocale::c().toString(when, QStringLiteral("yyyy-MM-dd HHmmss"));
        const QString base = folder + stamp;
        if (QFileInfo::exists(base + QStringLiteral(".jpg")) ||
            QFileInfo::exists(base + QStringLiteral(".txt")))
            continue;
        if (!txttojpg(base))
            continue; // taken in the meantime, by another copy of the program
        if (saveNewFile(base + QStringLiteral(".txt"), copy))
            break;
        QFile::remove(base + QStringLiteral(".jpg")); // both files of a pair carry one stamp
    }
    ShowMessage(QStringLiteral("Picture has been saved to the path Pic name:") + stamp +
                QStringLiteral(".jpg"));
}

void TForm1::Memo1Change() {
    lbl1->setText(QStringLiteral("The current length:") +
                  QString::number(codepage::byteLength(Memo1->Text())));
}

void TForm1::Memo1DblClick() {
    Memo1->Clear();
    lbl1->setText(QStringLiteral("The current length: 0"));
}

void TForm1::BitBtn2Click() {
    if (dlgFont1->Execute(this)) {
        Memo1->setFont(withChineseFallback(dlgFont1->Font()));
        Memo1->SetFontColor(dlgFont1->Color());
    }
}

void TForm1::BitBtn3Click() {
    if (dlgColor1->Execute(this))
        Memo1->SetColor(dlgColor1->Color());
}

void TForm1::btn1Click() {
    Communal::OpenFolderInExplorer(Communal::OutputFolder());
}
