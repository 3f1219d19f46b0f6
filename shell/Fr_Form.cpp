#include "shell/Fr_Form.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include "config/Dm_Config.h"
#include "hints/FormHints.h"
#include "ui/ActionToolBar.h"
#include "ui/Application.h"
#include "ui/Edit.h"
#include "ui/ImageList.h"
#include "ui/KeyPreview.h"
#include "ui/MessageBox.h"
#include "ui/StatusBar.h"

TFrForm::TFrForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName("FrForm");
    resize(757, 421);
    QFont face("MS Sans Serif");
    face.setPixelSize(13);
    setFont(face);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel2 = new QFrame(this);
    Panel2->setObjectName("Panel2");
    Panel2->setFixedHeight(42);
    Panel2->setFrameShape(QFrame::Panel);
    Panel2->setFrameShadow(QFrame::Sunken);
    layout->addWidget(Panel2);
    layout->addStretch(1);

    ImageList1 = new ui::ImageList(this);
    ImageList1->setObjectName("ImageList1");
    ui::addToolbarGlyphs(*ImageList1);
    ActionList1 = new QObject(this);
    ActionList1->setObjectName("ActionList1");
    AcNew = makeAction("AcNew", "New", "New Record", 0, Qt::Key_F3);
    AcDel = makeAction("AcDel", "Delete", "Delete Record", 1, Qt::Key_F8);
    AcSave = makeAction("AcSave", "Save", "Save Record", 2, Qt::Key_F10);
    AcHist = makeAction("AcHist", "Hist.", "Show History", 4, QKeySequence(Qt::CTRL | Qt::Key_H));
    AcCopy = makeAction("AcCopy", "Copy", "Copy Record", 5, Qt::Key_F6);
    AcPrint = makeAction("AcPrint", "Print", "Print Record", 6, QKeySequence(Qt::CTRL | Qt::Key_P));
    AcExit = makeAction("AcExit", "Exit", "Exit Program", 3, QKeySequence(Qt::CTRL | Qt::Key_X));
    AcChgCode = makeAction("AcChgCode", "Chg Code", QString(), 7, Qt::Key_F12);
    AcApporved = makeAction("AcApporved", "Apporved", QString(), 7, QKeySequence());
    FormHints1 = new TFormHints(this);
    FormHints1->setObjectName("FormHints1");
    FormHints1->TextAlignment = TfhTextAlignment::taCenter;
    FormHints1->TransparencyRate = 20;
    QFont hintFace("MS Sans Serif");
    hintFace.setPixelSize(11);
    FormHints1->setFont({hintFace, FormHints1->Font().color});

    connect(AcNew, &QAction::triggered, this, [this] { AcNewExecute(); });
    connect(AcExit, &QAction::triggered, this, [this] { AcExitExecute(); });

    ToolBar1 = new ui::ActionToolBar(Panel2);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setContentsMargins(0, 0, 0, 0);
    ToolBar1->setCursor(Qt::PointingHandCursor);
    QFont small("MS Sans Serif");
    small.setPixelSize(11);
    ToolBar1->setFont(small);
    auto* panelLayout = new QHBoxLayout(Panel2);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    panelLayout->addWidget(ToolBar1);
    BNew = ToolBar1->addButton("BNew", AcNew);
    BDel = ToolBar1->addButton("BDel", AcDel);
    BSave = ToolBar1->addButton("BSave", AcSave);
    BChgCode = ToolBar1->addButton("BChgCode", AcChgCode);
    BHist = ToolBar1->addButton("BHist", AcHist);
    BCopy = ToolBar1->addButton("BCopy", AcCopy);
    BPrint = ToolBar1->addButton("BPrint", AcPrint);
    BApporved = ToolBar1->addButton("BApporved", "Apporved", ImageList1->icon(7));
    BExit = ToolBar1->addButton("BExit", AcExit);
    for (QToolButton* b : {BNew, BDel, BSave, BChgCode, BHist, BCopy, BPrint, BApporved, BExit})
        b->setFixedSize(54, 36);

    StatusBar1 = new ui::StatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->addPanel(200);
    StatusBar1->addPanel(50);
    layout->addWidget(StatusBar1);

    ChgCode = new ui::Edit(this);
    ChgCode->setObjectName("ChgCode");
    ChgCode->setUpperCase(true);
    ChgCode->setText("CHGCODE");
    ChgCode->move(8, 50);

    keyPreview_ = new ui::KeyPreview(this, [this](QKeyEvent* event) { return FormKeyDown(event); });
}

TFrForm::~TFrForm() = default;

QAction* TFrForm::makeAction(const char* name, const QString& caption, const QString& hint,
                             int image, const QKeySequence& shortcut) {
    auto* action = new QAction(caption, ActionList1);
    action->setObjectName(QString::fromLatin1(name));
    action->setToolTip(hint.isEmpty() ? caption : hint);
    action->setStatusTip(hint);
    action->setIcon(ImageList1->icon(image));
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    return action;
}

void TFrForm::FormShow() {
    if (auto* app = ui::Application::instance())
        app->setTitle(windowTitle());
    for (QToolButton* b : {BHist, BCopy, BPrint, BChgCode, BApporved})
        ToolBar1->setButtonVisible(b, false);
    TFrForm::AcNewExecute();
}

void TFrForm::AcNewExecute() {
    ChgCode->hide();
    AcSave->setEnabled(false);
    AcDel->setEnabled(false);
    AcChgCode->setEnabled(false);
    keyPreview_->setEnabled(true);
}

void TFrForm::AcExitExecute() {
    close();
}

bool TFrForm::FormKeyDown(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (QWidget* focused = focusWidget(); focused && focused->focusPolicy() != Qt::NoFocus)
                focusNextChild();
            return true;  // the character reaches no control, so nothing beeps
        case Qt::Key_Escape:
            AcExitExecute();
            return true;
        default:
            return false;
    }
}

void TFrForm::FormClose(QCloseEvent* event) {
    const bool thai = DmConfig && DmConfig->ThaiLanguage;
    const QString question =
        thai ? QStringLiteral("ออกจากโปรแกรม ?") : QStringLiteral("Exit Program ?");
    if (ui::confirm(question, QColor(0x008000), QColor(0xFFFFFF)))
        event->accept();
    else
        event->ignore();
}

void TFrForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    if (!placed_) {
        placed_ = true;
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    FormShow();
}

void TFrForm::closeEvent(QCloseEvent* event) {
    FormClose(event);
}

bool TFrForm::keyPreview() const {
    return keyPreview_->isEnabled();
}

void TFrForm::setKeyPreview(bool on) {
    keyPreview_->setEnabled(on);
}
