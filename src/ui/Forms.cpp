#include "ui/Forms.h"

#include "util/AnswerWords.h"
#include "util/ProductName.h"
#include "util/ShiftJisText.h"

namespace lorvel::ui {

namespace {

constexpr Color kWhite{255, 255, 255};
constexpr Color kBlue{0, 0, 255};

Control& Italic(Control& label, const char* face, int height, bool shiftJis, Color color)
{
    label.font.face = face;
    label.font.height = height;
    label.font.italic = true;
    label.font.shiftJis = shiftJis;
    label.textColor = color;
    return label;
}

Control& Disabled(Control& control)
{
    control.SetEnabled(false);
    return control;
}

Control& Hidden(Control& control)
{
    control.SetVisible(false);
    return control;
}

}  // namespace

BackForm::BackForm(Backend& backend)
    : Form(backend, "frmBack", kProductTitle, 640, 480),
      lblBackTitle2(Italic(Add(nullptr, "lblBackTitle2", ControlKind::Label, {39, 16, 0, 0}, "  "), "ＭＳ Ｐゴシック",
                           32, false, kBlue)),
      lblBackTitle1(Italic(Add(nullptr, "lblBackTitle1", ControlKind::Label, {16, 16, 0, 0}, "  "), "ＭＳ Ｐゴシック",
                           32, false, kWhite)),
      lblPrgTitle2(Hidden(Italic(Add(nullptr, "lblPrgTitle2", ControlKind::Label, {8, 56, 0, 0}, "BackTitle"),
                                 "Times New Roman", 16, false, kBlue))),
      lblPrgTitle1(Hidden(Italic(Add(nullptr, "lblPrgTitle1", ControlKind::Label, {8, 48, 0, 0}, "BackTitle"),
                                 "Times New Roman", 16, false, kWhite)))
{
    background = Color{0, 128, 128};
    maximized = true;
    SetEnabled(false);
    onResize = [this] { FormResize(); };
}

void BackForm::SetTitle(const std::string& title)
{
    for (Control* label : {&lblBackTitle1, &lblBackTitle2}) {
        Rect r = label->Bounds();
        r.width = Width() - 24;
        label->SetBounds(r);
        label->SetCaption(title);
    }
}

void BackForm::FormResize()
{
    if (lblPrgTitle1.Visible()) return;
    SetCaption(std::string(kProductName) + " Version" + (versionText ? versionText() : std::string()));
    const Rect title = lblBackTitle1.Bounds();
    lblBackTitle2.SetBounds({title.left + 2, title.top + 2, title.width, title.height});
    const std::string product = std::string(kProductName) + "\nCopyright (C) Lorvel Setup developers";
    lblPrgTitle1.SetCaption(product);
    lblPrgTitle2.SetCaption(product);
    // Sized to two lines of 16-pixel Times New Roman, plus the design's 8 pixels.
    const int width = 300 + 8;
    const int height = 2 * 19;
    const Rect prg{Width() - width - 24, Height() - height - 48, width, height};
    lblPrgTitle1.SetBounds(prg);
    lblPrgTitle2.SetBounds({prg.left + 2, prg.top + 2, prg.width, prg.height});
    lblPrgTitle1.SetVisible(true);
    lblPrgTitle2.SetVisible(true);
    if (showWizard) showWizard();
    Close();
}

MainForm::MainForm(Backend& backend, BackForm& back)
    : Form(backend, "frmMain", kProductTitle, 489, 313),
      fraReadme(Hidden(Add(nullptr, "fraReadme", ControlKind::GroupBox, {8, 8, 473, 265}))),
      txtReadme(Add(&fraReadme, "txtReadme", ControlKind::Memo, {8, 16, 457, 241})),
      grpMessage(Hidden(Add(nullptr, "grpMessage", ControlKind::GroupBox, {8, 8, 473, 113}, "メッセージ"))),
      lblMessage(Add(&grpMessage, "lblMessage", ControlKind::Label, {8, 16, 457, 89})),
      grpSetupFolder(
          Hidden(Add(nullptr, "grpSetupFolder", ControlKind::GroupBox, {8, 128, 473, 49}, "セットアップフォルダ"))),
      txtFolder(Disabled(Add(&grpSetupFolder, "txtFolder", ControlKind::Edit, {8, 16, 401, 24}))),
      btnRefer(Disabled(Add(&grpSetupFolder, "btnRefer", ControlKind::Button, {416, 16, 49, 25}, "参照(&R)"))),
      grpOption(Hidden(Add(nullptr, "grpOption", ControlKind::GroupBox, {8, 184, 473, 89}, "セットアップオプション"))),
      chkOverWrite(Disabled(Add(&grpOption, "chkOverWrite", ControlKind::CheckBox, {8, 16, 457, 17},
                                "自動的に上書きする（同名ファイルが存在した場合は，最新ファイルをコピーします）．"))),
      fraShortCut(Add(&grpOption, "fraShortCut", ControlKind::GroupBox, {8, 40, 457, 41}, "ショートカットの作成")),
      lblUnSetupInfo(Hidden(Add(&fraShortCut, "lblUnSetupInfo", ControlKind::Label, {8, 8, 441, 25}))),
      chkSCutDesktop(
          Disabled(Add(&fraShortCut, "chkSCutDesktop", ControlKind::CheckBox, {8, 16, 105, 17}, "デスクトップ"))),
      chkSCutStartMenu(Disabled(
          Add(&fraShortCut, "chkSCutStartMenu", ControlKind::CheckBox, {120, 16, 105, 17}, "スタートメニュー"))),
      chkSCutStartUp(
          Disabled(Add(&fraShortCut, "chkSCutStartUp", ControlKind::CheckBox, {232, 16, 105, 17}, "スタートアップ"))),
      chkSCutSendTo(Disabled(Add(&fraShortCut, "chkSCutSendTo", ControlKind::CheckBox, {344, 16, 105, 17}, "送る"))),
      btnEvent(Disabled(Add(nullptr, "btnEvent", ControlKind::Button, {64, 280, 161, 25}))),
      btnEnd(Disabled(Add(nullptr, "btnEnd", ControlKind::Button, {272, 280, 153, 25}, "セットアップ終了(&E)"))),
      lblAnswerSlot(Hidden(Add(nullptr, "lblAnswerSlot", ControlKind::Label, {8, 296, 63, 12}, "Can't Delete"))),
      back_(back)
{
    txtReadme.font.face = "ＭＳ ゴシック";
    txtReadme.SetReadOnly(true);
    txtReadme.verticalScrollBar = true;
    lblMessage.wordWrap = true;
    txtFolder.font.height = 16;
    chkOverWrite.SetChecked(true);
    lblUnSetupInfo.wordWrap = true;

    onActivate = [this] { FormActivate(); };
    onCloseQuery = [this] { return FormCloseQuery(); };
    onClose = [this] {
        if (cleanUp) cleanUp();
    };
    btnEvent.onClick = [this] { btnEventClick(); };
    btnEnd.onClick = [this] { btnEndClick(); };
    btnRefer.onClick = [this] { btnReferClick(); };
    dlgFolder.Title = "セットアップフォルダを選択してください．";
}

void MainForm::ShowReadme(bool on)
{
    fraReadme.SetVisible(on);
    grpMessage.SetVisible(!on);
    grpSetupFolder.SetVisible(!on);
    grpOption.SetVisible(!on);
}

void MainForm::FillUninstallMode(const std::string& messageText, const std::string& checkBox)
{
    lblMessage.SetCaption(messageText);
    grpSetupFolder.SetCaption("アンセットアップ(アンインストール)フォルダ");
    txtFolder.SetReadOnly(true);
    txtFolder.SetEnabled(true);
    btnEvent.SetCaption(kStartUnsetup);
    btnEvent.SetEnabled(static_cast<bool>(uninstallRun));
    btnEnd.SetCaption("アンセットアップ終了(&E)");
    btnEnd.SetEnabled(true);

    grpOption.SetCaption("アンセットアップ(アンインストール)オプション");
    chkOverWrite.SetVisible(false);
    Rect frame = fraShortCut.Bounds();
    frame.top = chkOverWrite.Bounds().top;
    frame.height = grpOption.Bounds().height - 24;
    fraShortCut.SetBounds(frame);
    fraShortCut.SetCaption("ファイルの追加削除");

    if (checkBox == kDeleteAll) {
        chkSCutDesktop.SetCaption("アンセットアップ(アンインストール)フォルダ以下の全ファイル・フォルダ");
        Rect wide = chkSCutDesktop.Bounds();
        wide.width = frame.width - 16;
        chkSCutDesktop.SetBounds(wide);
        chkSCutDesktop.SetChecked(true);
        chkSCutDesktop.SetEnabled(true);
        for (Control* box : {&chkSCutStartMenu, &chkSCutStartUp, &chkSCutSendTo}) {
            box->SetChecked(false);
            box->SetVisible(false);
        }
    } else {
        // Byte n of the option text, "1" meaning checked; a short text leaves the rest unchecked.
        auto on = [&checkBox](std::size_t position) {
            return checkBox.size() >= position && checkBox[position - 1] == '1';
        };
        chkSCutDesktop.SetCaption("*.INIファイル");
        chkSCutDesktop.SetChecked(on(1));
        chkSCutDesktop.SetEnabled(true);
        chkSCutStartMenu.SetCaption("*.GIDファイル");
        chkSCutStartMenu.SetChecked(on(3));
        chkSCutStartMenu.SetEnabled(true);
        chkSCutStartUp.SetCaption("");
        chkSCutStartUp.SetChecked(on(5));
        chkSCutStartUp.SetEnabled(false);
        chkSCutSendTo.SetCaption("");
        chkSCutSendTo.SetChecked(on(7));
        chkSCutSendTo.SetEnabled(false);
    }
    const Rect box = chkSCutDesktop.Bounds();
    Rect info = lblUnSetupInfo.Bounds();
    info.top = box.top + box.height + 2;
    lblUnSetupInfo.SetBounds(info);
    lblUnSetupInfo.SetCaption("　アンセットアップ(アンインストール)フォルダの中で，コピーされたファイル以外に"
                              "追加削除するファイルをチェック(選択)してください．");
    lblUnSetupInfo.SetVisible(true);
    ShowReadme(false);
}

void MainForm::FormActivate()
{
    // The event button's caption is empty only until start-up has filled the window.
    if (!btnEvent.Caption().empty()) return;
    if (startUp) startUp();
}

void MainForm::btnEventClick()
{
    const std::string& state = btnEvent.Caption();
    if (state == kStartUnsetup) {
        if (uninstallRun) uninstallRun();
    } else if (state == kStartSetup) {
        if (installRun) installRun();
    } else if (state == kContinue) {
        btnEvent.SetEnabled(false);
    } else if (state == kContinueSetup) {
        ShowReadme(false);
        btnEvent.SetCaption(kStartSetup);
        btnEvent.SetEnabled(static_cast<bool>(installRun));
    }
}

void MainForm::btnEndClick()
{
    SetModalResult(kModalOk);
}

void MainForm::btnReferClick()
{
    if (dlgFolder.Execute(*this)) txtFolder.SetCaption(AddPathDelim(dlgFolder.FolderName, "B"));
}

void MainForm::ShowDetails(const std::string& frameCaption, const std::string& text, Form& progress,
                           const std::function<void(unsigned)>& pause)
{
    txtReadme.SetCaption(text);
    btnEvent.SetCaption(kContinue);
    btnEvent.SetEnabled(true);
    fraReadme.SetCaption(frameCaption);
    ShowReadme(true);
    Show();
    progress.Hide();
    while (btnEvent.Enabled() && !Ui().UserGone()) {
        pause(200);
        Ui().ProcessMessages();
    }
    Hide();
    pause(500);
    progress.Show();
}

bool MainForm::FormCloseQuery()
{
    if (back_.Enabled()) return true;
    if (btnEnd.Caption() == kEndFatal) return true;
    const int answer =
        Ui().ShowMessageBox("セットアップ・アンセットアップは終了していません．\r終了してもよろしいですか？",
                            "終了確認", box::kQuestionYesNo);
    if (answer == box::kNo) return false;
    back_.SetEnabled(true);
    SetModalResult(kModalOk);
    return true;
}

StatusForm::StatusForm(Backend& backend, MainForm& main, BackForm& back)
    : Form(backend, "frmStatus", "進行状況", 497, 153),
      grpMessage(Add(nullptr, "grpMessage", ControlKind::GroupBox, {8, 8, 481, 97}, "メッセージ")),
      lblMessage(Add(&grpMessage, "lblMessage", ControlKind::Label, {8, 16, 457, 73})),
      fraStatus(Hidden(Add(&grpMessage, "fraStatus", ControlKind::GroupBox, {8, 48, 465, 41}, "進行状況"))),
      prgStatus(Add(&fraStatus, "prgStatus", ControlKind::ProgressBar, {8, 16, 353, 17})),
      lblStatus(Add(&fraStatus, "lblStatus", ControlKind::Label, {368, 16, 88, 17}, "0%(0/0)")),
      btnAbort(Disabled(Add(nullptr, "btnAbort", ControlKind::Button, {168, 120, 161, 25}, "中断(&A)"))), main_(main),
      back_(back)
{
    lblMessage.wordWrap = true;
    lblStatus.centered = true;
    lblStatus.font.height = 13;
    onCreate = [this] { DisableSystemClose(); };
    btnAbort.onClick = [this] { btnAbortClick(); };
}

void StatusForm::SetMessage(const std::string& text)
{
    waitingMessage_.reset();
    Refresh();
    lblMessage.SetCaption(text);
}

void StatusForm::ShowProgress(bool on)
{
    Refresh();
    fraStatus.SetVisible(on);
}

bool StatusForm::RefreshDue(bool atOnce)
{
    if (!refreshClock) return true;
    const std::uint64_t now = refreshClock();
    if (!atOnce && lastRefresh_ && now - *lastRefresh_ < kRefreshMicroseconds) return false;
    lastRefresh_ = now;
    return true;
}

bool StatusForm::SetItemMessage(const std::string& text, bool lasting)
{
    waitingMessage_ = text;
    if (!RefreshDue(lasting)) return false;
    Refresh();
    return true;
}

void StatusForm::SetProgress(int percent, int done, int all)
{
    waitingProgress_ = Progress{percent, done, all};
    if (RefreshDue(false)) Refresh();
}

bool StatusForm::Refresh()
{
    const bool waiting = waitingMessage_ || waitingProgress_;
    if (waitingMessage_) lblMessage.SetCaption(*waitingMessage_);
    if (waitingProgress_) ShowProgressNow(waitingProgress_->percent, waitingProgress_->done, waitingProgress_->all);
    waitingMessage_.reset();
    waitingProgress_.reset();
    return waiting;
}

bool StatusForm::RefreshBeforePause(unsigned milliseconds)
{
    if (std::uint64_t{milliseconds} * 1000 < kRefreshMicroseconds) return false;
    if (refreshClock) lastRefresh_ = refreshClock();
    return Refresh();
}

void StatusForm::ShowProgressNow(int percent, int done, int all)
{
    prgStatus.SetPosition(percent);
    lblStatus.SetCaption(std::to_string(prgStatus.Position()) + "%(" + std::to_string(done) + "/" +
                         std::to_string(all) + ")");
}

void StatusForm::btnAbortClick()
{
    const int answer = Ui().ShowMessageBox(
        "ここでセットアップを中断すると，すでにコピー済みのファイルは削除されません．\r"
        "一度，セットアップを完了してから，アンセットアップ(アンインストール)することをおすすめします．\r\r"
        "本当にセットアップを中断しますか？",
        "中断の確認", box::kQuestionYesNo);
    if (answer != box::kYes) return;
    abortConfirmed_ = true;
    main_.SetEnabled(false);
    back_.SetEnabled(true);
    Close();
    Ui().ShowMessageBox("セットアップを中断しました．", "中断", box::kWarningOk);
    main_.SetModalResult(kModalOk);
}

SharedFileQuestionForm::SharedFileQuestionForm(Backend& backend, Control& answerSlot)
    : Form(backend, "frmSharedFileQuestion", "ファイル削除の確認", 426, 121),
      lblMessage(Add(nullptr, "lblMessage", ControlKind::Label, {8, 8, 409, 73}, "lblMessage")),
      btnYes(Add(nullptr, "btnYes", ControlKind::Button, {8, 88, 97, 25}, "はい(&Y)")),
      btnNo(Add(nullptr, "btnNo", ControlKind::Button, {112, 88, 97, 25}, "いいえ(&N)")),
      btnDelete(Add(nullptr, "btnDelete", ControlKind::Button, {216, 88, 97, 25}, "すべて削除(&D)")),
      btnSave(Add(nullptr, "btnSave", ControlKind::Button, {320, 88, 97, 25}, "すべて保存(&A)"))
{
    dialogFrame = true;
    lblMessage.wordWrap = true;
    const std::pair<Control*, const char*> answers[] = {{&btnYes, answer_word::kYes},
                                                        {&btnNo, answer_word::kNo},
                                                        {&btnDelete, answer_word::kDelete},
                                                        {&btnSave, answer_word::kSave}};
    for (const auto& [button, word] : answers) {
        button->onClick = [this, &answerSlot, answer = std::string(word)] {
            answerSlot.SetCaption(answer);
            SetModalResult(kModalOk);
        };
    }
}

}  // namespace lorvel::ui
