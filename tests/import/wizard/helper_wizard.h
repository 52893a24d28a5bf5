#pragma once
// A wizard over a small string grid whose caption row names the destination columns.

#include "import/engine/DurvelDestinations.h"
#include "import/wizard/Durvel3Wizard.h"
#include "import/wizard/Durvel3WizardF.h"
#include "tests/support/TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <memory>

struct WizardFixture
{
    QTemporaryDir dir;
    DurvelCellStore grid{3, 1};
    TDurvel3Wizard wizard;

    WizardFixture()
    {
        grid.setCell(0, 0, QStringLiteral("Code"));
        grid.setCell(1, 0, QStringLiteral("Name"));
        grid.setCell(2, 0, QStringLiteral("Amount"));
        wizard.ImportDestination = didStringGrid;
        wizard.StringGrid = &grid;
        wizard.GridCaptionRow = 0;
        wizard.GridStartRow = 1;
        wizard.ConfirmOnCancel = false;
    }

    QString file(const QString& name, const QByteArray& bytes = QByteArray("1,a,10\n2,b,20\n"))
    {
        return WriteTestFile(dir.filePath(name), bytes);
    }

    std::unique_ptr<TDurvel3WizardF> window() { return std::make_unique<TDurvel3WizardF>(&wizard); }
};
