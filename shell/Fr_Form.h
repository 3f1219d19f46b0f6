#pragma once

#include <QWidget>

class QAction;
class QFrame;
class QLineEdit;
class QToolButton;
class TFormHints;

namespace ui {
class ActionToolBar;
class Edit;
class KeyPreview;
class ImageList;
class StatusBar;
}  // namespace ui

// The base of every maintenance window: a toolbar of record actions, a status bar, a hidden
// code-change edit; Enter moves to the next field, Escape exits, and closing asks first.
class TFrForm : public QWidget {
    Q_OBJECT
public:
    explicit TFrForm(QWidget* parent = nullptr);
    ~TFrForm() override;

    // Controls, in creation order.
    QFrame* Panel2;
    ui::ActionToolBar* ToolBar1;
    QToolButton* BNew;
    QToolButton* BDel;
    QToolButton* BSave;
    QToolButton* BChgCode;
    QToolButton* BHist;
    QToolButton* BCopy;
    QToolButton* BPrint;
    QToolButton* BApporved;
    QToolButton* BExit;
    ui::StatusBar* StatusBar1;
    ui::Edit* ChgCode;
    ui::ImageList* ImageList1;
    QObject* ActionList1;
    TFormHints* FormHints1;

    QAction* AcNew;
    QAction* AcDel;
    QAction* AcSave;
    QAction* AcHist;
    QAction* AcCopy;
    QAction* AcPrint;
    QAction* AcExit;
    QAction* AcChgCode;
    QAction* AcApporved;

    bool keyPreview() const;
    void setKeyPreview(bool on);

protected:
    virtual void FormShow();
    virtual void AcNewExecute();
    void AcExitExecute();
    // Returns true when the key was handled and goes no further.
    bool FormKeyDown(QKeyEvent* event);
    // Asks the exit question; accepts the close on Yes.
    void FormClose(QCloseEvent* event);

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* makeAction(const char* name, const QString& caption, const QString& hint, int image,
                        const QKeySequence& shortcut);

    ui::KeyPreview* keyPreview_;
    bool placed_ = false;  // centred on the screen at the first show
};
