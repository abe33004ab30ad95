#pragma once

// The main window. TForm1 holds every control and one handler per event; the handlers are where
// user events meet the work: the text area (TMemo) gives its text and its snapshot, the code page
// module counts and encodes, JpegWriter compresses, saveWholeFile writes. A handler's exception
// ends in Application->HandleException.

#include <QWidget>

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
    static constexpr int ExtraHeight = 130; // blank band below the lines of the picture

    static const QString Caption;
    static const QString ShopAddress;
    static const QString EmailAddress;

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

    void txttojpg(const QString& BasePath);
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
};
