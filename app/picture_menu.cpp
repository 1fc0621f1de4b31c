#include "app/picture_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>

#include "app/tesmora_view.h"
#include "app/ui_texts.h"

namespace {

QAction* MakeItem(QObject* parent, const char* name, const char* text, const ui::Prompt& prompt) {
    auto* action = new QAction(QString::fromUtf8(text), parent);
    action->setObjectName(QString::fromLatin1(name));
    action->setStatusTip(QString::fromUtf8(prompt.status));
    action->setToolTip(QString::fromUtf8(prompt.tip));
    action->setCheckable(true);
    return action;
}

// One colour map of the submenu: its text, prompt and name, and the view's handler.
struct MapChoice {
    const char* text;
    const ui::Prompt& prompt;
    const char* name;
    void (CTesmoraView::*handler)();
};
// In the order of the map's values.
const MapChoice kMapChoices[] = {
    {ui::kMapDesign, ui::kPromptMapDesign, "actionMapDesign", &CTesmoraView::OnColourMapDesign},
    {ui::kMapViridis, ui::kPromptMapViridis, "actionMapViridis", &CTesmoraView::OnColourMapViridis},
    {ui::kMapCividis, ui::kPromptMapCividis, "actionMapCividis", &CTesmoraView::OnColourMapCividis},
    {ui::kMapCoolwarm, ui::kPromptMapCoolwarm, "actionMapCoolwarm", &CTesmoraView::OnColourMapCoolwarm},
};
static_assert(std::size(kMapChoices) == kColourMapCoolwarm + 1);

// One colour of the lines, in the order of the setting's values.
struct LineChoice {
    const char* text;
    const ui::Prompt& prompt;
    const char* name;
};
const LineChoice kLineChoices[] = {
    {ui::kLinesPlainText, ui::kPromptLinesPlain, "actionLinesPlain"},
    {ui::kLinesSpeedText, ui::kPromptLinesSpeed, "actionLinesSpeed"},
    {ui::kLinesPressureText, ui::kPromptLinesPressure, "actionLinesPressure"},
    {ui::kLinesVorticityText, ui::kPromptLinesVorticity, "actionLinesVorticity"},
};
static_assert(std::size(kLineChoices) == kLinesVorticity + 1);

}  // namespace

CPictureMenu::CPictureMenu(QMenu* menu, QObject* parent)
    : m_pLegend(MakeItem(parent, "actionViewLegend", ui::kViewLegend, ui::kPromptLegend)),
      m_pColourMaps{},
      m_pEqualAspect(MakeItem(parent, "actionViewEqualAspect", ui::kViewEqualAspect, ui::kPromptEqualAspect)),
      m_pFitWindow(MakeItem(parent, "actionViewFitWindow", ui::kViewFitWindow, ui::kPromptFitWindow)),
      m_pFillView(MakeItem(parent, "actionViewFillView", ui::kViewFillView, ui::kPromptFillView)),
      m_pWholeData(MakeItem(parent, "actionViewWholeData", ui::kViewWholeData, ui::kPromptWholeData)),
      m_pAxes(MakeItem(parent, "actionViewAxes", ui::kViewAxes, ui::kPromptAxes)),
      m_pLineArrows(MakeItem(parent, "actionViewLineArrows", ui::kViewLineArrows, ui::kPromptLineArrows)),
      m_pArrowHeads(MakeItem(parent, "actionViewArrowHeads", ui::kViewArrowHeads, ui::kPromptArrowHeads)),
      m_pSmooth(MakeItem(parent, "actionViewSmooth", ui::kViewSmooth, ui::kPromptSmooth)),
      m_pLineColours{} {
    m_pWholeData->setCheckable(false);
    m_pWholeData->setShortcut(QKeySequence(Qt::Key_Home));
    menu->addSeparator();
    menu->addAction(m_pLegend);
    QMenu* maps = menu->addMenu(QString::fromUtf8(ui::kMenuColourMap));
    maps->setObjectName(QStringLiteral("menuColourMap"));
    auto* group = new QActionGroup(parent);
    group->setExclusive(true);
    for (std::size_t i = 0; i < std::size(kMapChoices); ++i) {
        const MapChoice& c = kMapChoices[i];
        m_pColourMaps[i] = MakeItem(parent, c.name, c.text, c.prompt);
        group->addAction(m_pColourMaps[i]);
        maps->addAction(m_pColourMaps[i]);
    }
    menu->addAction(m_pEqualAspect);
    menu->addAction(m_pFitWindow);
    menu->addAction(m_pFillView);
    menu->addAction(m_pWholeData);
    menu->addSeparator();
    menu->addAction(m_pAxes);
    menu->addAction(m_pLineArrows);
    menu->addAction(m_pArrowHeads);
    menu->addAction(m_pSmooth);
    QMenu* lines = menu->addMenu(QString::fromUtf8(ui::kMenuLineColour));
    lines->setObjectName(QStringLiteral("menuLineColour"));
    auto* lineGroup = new QActionGroup(parent);
    lineGroup->setExclusive(true);
    for (std::size_t i = 0; i < std::size(kLineChoices); ++i) {
        const LineChoice& c = kLineChoices[i];
        m_pLineColours[i] = MakeItem(parent, c.name, c.text, c.prompt);
        lineGroup->addAction(m_pLineColours[i]);
        lines->addAction(m_pLineColours[i]);
    }
}

QAction* CPictureMenu::LineColour(int lines) const {
    return lines >= 0 && lines < static_cast<int>(std::size(m_pLineColours)) ? m_pLineColours[lines]
                                                                             : nullptr;
}

QAction* CPictureMenu::ColourMap(int map) const {
    return map >= 0 && map < static_cast<int>(std::size(m_pColourMaps)) ? m_pColourMaps[map] : nullptr;
}

void CPictureMenu::ConnectTo(CTesmoraView* view) {
    // The items toggle their own check marks; the handlers toggle the settings, so the two
    // stay in step as every change is a click.
    QObject::connect(m_pLegend, &QAction::triggered, view, [view] { view->OnToggleLegend(); });
    QObject::connect(m_pEqualAspect, &QAction::triggered, view, [view] { view->OnToggleEqualAspect(); });
    // Filling and scaling exclude each other, and filling sets one scale for both axes: the
    // marks follow what the view made of the click.
    const auto refresh = [this, view] {
        ShowChoices(view->Settings(), view->FitsWindow(), view->FillsView());
    };
    QObject::connect(m_pFitWindow, &QAction::triggered, view, [view, refresh] {
        view->OnToggleFitWindow();
        refresh();
    });
    QObject::connect(m_pFillView, &QAction::triggered, view, [view, refresh] {
        view->OnToggleFillView();
        refresh();
    });
    QObject::connect(m_pWholeData, &QAction::triggered, view, [view] { view->OnWholeData(); });
    QObject::connect(m_pAxes, &QAction::triggered, view, [view] { view->OnToggleAxes(); });
    QObject::connect(m_pLineArrows, &QAction::triggered, view, [view] { view->OnToggleLineArrows(); });
    QObject::connect(m_pArrowHeads, &QAction::triggered, view, [view] { view->OnToggleArrowHeads(); });
    QObject::connect(m_pSmooth, &QAction::triggered, view, [view] { view->OnToggleSmooth(); });
    for (std::size_t i = 0; i < std::size(kLineChoices); ++i) {
        const auto lines = static_cast<std::int32_t>(i);
        QObject::connect(m_pLineColours[i], &QAction::triggered, view,
                         [view, lines] { view->OnLineColour(lines); });
    }
    for (std::size_t i = 0; i < std::size(kMapChoices); ++i) {
        const auto handler = kMapChoices[i].handler;
        QObject::connect(m_pColourMaps[i], &QAction::triggered, view,
                         [view, handler] { (view->*handler)(); });
    }
}

void CPictureMenu::ShowChoices(const DrawSettings& settings, bool fitWindow, bool fillView) {
    m_pLegend->setChecked(settings.legend);
    if (QAction* map = ColourMap(settings.colourMap)) map->setChecked(true);
    m_pEqualAspect->setChecked(settings.aspect == kAspectEqual);
    m_pFitWindow->setChecked(fitWindow);
    m_pFillView->setChecked(fillView);
    m_pWholeData->setEnabled(fillView);
    m_pAxes->setChecked(settings.axes);
    m_pLineArrows->setChecked(settings.lineArrows);
    m_pArrowHeads->setChecked(settings.arrowHeads);
    m_pSmooth->setChecked(settings.smooth);
    if (QAction* lines = LineColour(settings.lineColour)) lines->setChecked(true);
}
