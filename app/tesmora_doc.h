#pragma once

#include <QString>

#include "app/ui_texts.h"

// The document of the single-document window. The flow data lives in the scene; the document
// only knows which data set is shown, which names the window, and where the picture was last
// saved, so that Save writes there again without asking.
class CTesmoraDoc {
public:
    // File > New: a fresh untitled document. The scene and the picture stay as they are.
    bool OnNewDocument();
    // After File > Open: the document is named after the geometry file when it loaded, and is
    // untitled when it did not. Either way the picture has not been saved yet.
    void SetDataSet(const QString& path, bool loaded);

    QString GetTitle() const { return m_title; }
    QString GetDataSetPath() const { return m_dataSetPath; }
    QString GetPicturePath() const { return m_picturePath; }
    void SetPicturePath(const QString& path) { m_picturePath = path; }

private:
    QString m_title = QString::fromUtf8(ui::kUntitled);
    QString m_dataSetPath;
    QString m_picturePath;
};
