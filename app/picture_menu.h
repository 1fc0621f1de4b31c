#pragma once

#include "base/draw_settings.h"

class QAction;
class QMenu;
class QObject;
class CTesmoraView;

// The Ansicht menu's items for the picture: the legend, the colour map, equal proportions, the
// picture scaled to the window or made as large as the view, the whole data again, and the
// figure: axes, flow direction, arrow heads, smooth lines and the lines' colour. Like the control bar
// it holds no settings itself: each item is tied to the view's handler for it, and its check mark shows what
// it is told.
class CPictureMenu {
public:
    // Adds the items to MENU; PARENT owns them.
    CPictureMenu(QMenu* menu, QObject* parent);

    void ConnectTo(CTesmoraView* view);
    void ShowChoices(const DrawSettings& settings, bool fitWindow, bool fillView);

    QAction* Legend() const { return m_pLegend; }
    QAction* ColourMap(int map) const;
    QAction* EqualAspect() const { return m_pEqualAspect; }
    QAction* FitWindow() const { return m_pFitWindow; }
    QAction* FillView() const { return m_pFillView; }
    QAction* WholeData() const { return m_pWholeData; }
    QAction* Axes() const { return m_pAxes; }
    QAction* LineArrows() const { return m_pLineArrows; }
    QAction* ArrowHeads() const { return m_pArrowHeads; }
    QAction* Smooth() const { return m_pSmooth; }
    // The lines' colour: kLinesPlain ... kLinesVorticity.
    QAction* LineColour(int lines) const;

private:
    QAction* m_pLegend;
    QAction* m_pColourMaps[4];
    QAction* m_pEqualAspect;
    QAction* m_pFitWindow;
    QAction* m_pFillView;
    QAction* m_pWholeData;
    QAction* m_pAxes;
    QAction* m_pLineArrows;
    QAction* m_pArrowHeads;
    QAction* m_pSmooth;
    QAction* m_pLineColours[4];
};
