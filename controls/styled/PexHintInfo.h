#pragma once

#include "controls/styled/GDIPicture.h"

#include <QObject>
#include <QStringList>

namespace pex {

// The rich hint of a styled control: a title, notes and a picture.
class TPexHintInfo : public QObject
{
    Q_OBJECT

public:
    explicit TPexHintInfo(QObject* parent = nullptr);

    QString Title;
    QStringList Notes;
    bool ShowHelp = false;
    QString WideTitle;
    QString WideNotes;

    TGDIPPicture* Picture() const { return m_picture; }
    void setPicture(const TGDIPPicture* picture) { m_picture->Assign(picture); }

    void Assign(const TPexHintInfo* source);

private:
    TGDIPPicture* m_picture;
};

} // namespace pex
