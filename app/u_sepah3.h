#pragma once

#include "app/listwindow.h"

#include <memory>

namespace Ui {
class Tfrm_sepah3;
}
namespace dataaware {
class DBLookupComboBox;
}
class TGroupGrid;
class QMenu;
struct BankTemplate;

// The list window driven by a bank-file template.
class Tfrm_sepah3 : public ListWindow
{
    Q_OBJECT
public:
    explicit Tfrm_sepah3(QWidget* parent = nullptr);
    ~Tfrm_sepah3() override;

    std::unique_ptr<Ui::Tfrm_sepah3> ui;
    dataaware::DBLookupComboBox* DBLookupComboBox1;
    TGroupGrid* StringGrid1;
    QMenu* PopupMenu1;

    // The template the combo shows; false when none is chosen.
    bool chosenTemplate(BankTemplate* t) const;

public slots:
    void FormShow() override;
    void BitBtn1Click() override;
    void BitBtn4Click() override;
    void btn_saveClick() override;
    void SpeedButton2Click();
    void BitBtn3Click();
    void copy1Click();
    void pase1Click();
    void DeleteRecord1Click();
    void DeleteAll1Click();

private:
    // An empty list gets the template's first line before anything else.
    void addRecordStart(const BankTemplate& t);
};

extern Tfrm_sepah3* frm_sepah3;
