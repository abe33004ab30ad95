#pragma once

// The main window. TForm1 holds every control and one handler per event; the handlers are where
// user events meet the work: the text area (TMemo) holds the text, the code page module counts
// and encodes it, the picture module (lib/picture, shared with the command-line converter) turns
// the text area into a JPEG, and saveNewFile writes each file under a name nothing holds yet. A
// handler's exception ends in Application->HandleException.

#include "lib/picture/picture.h"

#include <QDateTime>
#include <QWidget>
#include <functional>

class TMemo;
class TFontDialog;
class TColorDialog;
class TRzStatusBar;
class TRzClockStatus;
class TRzStatusPane;
class TbsSkinButton;
class TbsSkinLabel;
class TbsSkinStdLabel;
class TbsSkinGroupBox;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    static constexpr int ClientWidth = 558;
    static constexpr int ClientHeight = 588;
    static constexpr qsizetype MaxTextLength = 100000;
    static constexpr int ExtraHeight = picture::ExtraHeight;

    static const QString Caption;

    TMemo* Memo1;
    TFontDialog* dlgFont1;
    TColorDialog* dlgColor1;
    TRzStatusBar* RzStatusBar1;
    TRzClockStatus* RzClockStatus1;
    TRzStatusPane* RzStatusPane1;
    TRzStatusPane* RzStatusPane2;
    TbsSkinButton* BitBtn1;
    TbsSkinButton* btn1;
    TbsSkinLabel* lbl1;
    TbsSkinStdLabel* lbl2;
    TbsSkinGroupBox* grp1;
    TbsSkinButton* BitBtn2;
    TbsSkinButton* BitBtn3;

    // The client area that holds the controls.
    QWidget* Client() const { return client_; }

    // False, and nothing written, when BasePath.jpg exists.
    bool txttojpg(const QString& BasePath);
    // The local time a conversion names its files after; tests give their own.
    void SetConversionClock(std::function<QDateTime()> clock);
    void BitBtn1Click();
    void Memo1Change();
    void Memo1DblClick();
    void BitBtn2Click();
    void BitBtn3Click();
    void FormCreate();
    void btn1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* client_;
    bool centred_ = false;
    std::function<QDateTime()> conversionClock_;
};
