#include "controls/styled/PexHintInfo.h"

namespace pex {

TPexHintInfo::TPexHintInfo(QObject* parent) : QObject(parent), m_picture(new TGDIPPicture(this)) {}

void TPexHintInfo::Assign(const TPexHintInfo* source)
{
    if (!source || source == this)
        return;
    Title = source->Title;
    Notes = source->Notes;
    ShowHelp = source->ShowHelp;
    m_picture->Assign(source->m_picture);
    WideTitle = source->WideTitle;
    WideNotes = source->WideNotes;
}

} // namespace pex
