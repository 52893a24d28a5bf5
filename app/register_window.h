#pragma once

#include "platform/dataaware/DataSetModel.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QWidget>
#include <functional>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class TDBNavBar;
namespace dataaware {
class DBGrid;
}
namespace db {
class DataSet;
}

// What the personnel register and the template editor share: boxes bound to the fields of one
// table, save in insert or edit mode (told by the save button's caption), new, edit, delete,
// cancel, the form's key handling and the query opened while the window is shown.
class RegisterWindow : public QWidget
{
    Q_OBJECT
public:
    explicit RegisterWindow(QWidget* parent = nullptr);

    static const QString InsertCaption; // btn_save in insert mode
    static const QString EditCaption;   // btn_save in edit mode, exactly
    // A save in edit mode whose row is gone.
    static const QString kEditedRowGone;

    QPushButton* btn_save = nullptr;
    QPushButton* btn_new = nullptr;
    QPushButton* btn_edit = nullptr;
    QPushButton* btn_del = nullptr;
    QPushButton* btn_cancel = nullptr;
    dataaware::DBGrid* DBGrid1 = nullptr;
    TDBNavBar* DBNavigator1 = nullptr;

    bool isEditMode() const;
    // The key of the row that edit mode writes; -1 in insert mode.
    qint64 editedId() const { return m_editedId; }

public slots:
    virtual void btn_saveClick() = 0;
    void btn_newClick();
    void btn_editClick();
    void btn_delClick();
    void btn_cancelClick();
    virtual void FormShow();
    virtual void FormClose();

protected:
    struct Box
    {
        QLineEdit* edit;
        QString field;
    };

    // Call after setupUi: finds the common controls by name and wires them. The boxes are
    // listed in the order btn_new focuses (first) and btn_edit fills them.
    void setupRegister(db::DataSet* query, const QString& table, const QList<Box>& boxes,
                       const QList<dataaware::DataSetModel::Column>& columns);
    // A key-down handler of one box, run after the form's own.
    void onKeyDown(QLineEdit* box, std::function<bool(QKeyEvent*)> handler);

    // Enter or Down: next control; Up: previous; Escape: cancel. True when it took the key.
    bool FormKeyDown(QKeyEvent* event);

    // True when another row than the one being edited already holds the value.
    bool isTaken(const QString& field, const QString& value) const;
    // Inserts a row, or in edit mode updates the remembered one, with the values by field.
    // False when the remembered row is gone.
    bool writeRow(const QVariantMap& values);
    // Writes the row in the window's mode, then re-reads the register, confirms (with
    // editedMessage after an edit) and returns to insert mode. When the edited row is gone
    // the clerk is told, the boxes keep their text and the window is in insert mode.
    void saveRow(const QVariantMap& values, const QString& editedMessage);
    void reopen();
    // The delete question; false when the answer is No.
    static bool askDelete();
    // Runs a handler body, showing any failure instead of letting it escape.
    void guarded(const std::function<void()>& body);
    // Shows a refusal and puts the focus on the box concerned.
    void refuse(const QString& message, QLineEdit* box);
    void confirm(const QString& message, const QString& caption = QString());

    // A fixed text colour for a label, kept readable on the window's ground whatever the
    // desktop's palette (light or dark).
    void keepColour(QLabel* label, const QColor& colour);

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    db::DataSet* m_query = nullptr;
    QString m_table;
    QList<Box> m_boxes;

private:
    qint64 currentId() const;

    qint64 m_editedId = -1;
    QHash<QLineEdit*, std::function<bool(QKeyEvent*)>> m_keyDown;
    QList<QPair<QLabel*, QColor>> m_colours;
};
