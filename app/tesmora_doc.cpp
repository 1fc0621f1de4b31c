#include "app/tesmora_doc.h"

#include <QFileInfo>

#include "app/ui_texts.h"

bool CTesmoraDoc::OnNewDocument() {
    m_title = QString::fromUtf8(ui::kUntitled);
    m_dataSetPath.clear();
    m_picturePath.clear();
    return true;
}

void CTesmoraDoc::SetDataSet(const QString& path, bool loaded) {
    m_dataSetPath = loaded ? path : QString();
    m_title = loaded ? QFileInfo(path).fileName() : QString::fromUtf8(ui::kUntitled);
    m_picturePath.clear();
}
