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

}  // namespace

CPictureMenu::CPictureMenu(QMenu* menu, QObject* parent)
    : m_pLegend(MakeItem(parent, "actionViewLegend", ui::kViewLegend, ui::kPromptLegend)),
      m_pColourMaps{},
      m_pEqualAspect(MakeItem(parent, "actionViewEqualAspect", ui::kViewEqualAspect, ui::kPromptEqualAspect)),
      m_pFitWindow(MakeItem(parent, "actionViewFitWindow", ui::kViewFitWindow, ui::kPromptFitWindow)),
      m_pFillView(MakeItem(parent, "actionViewFillView", ui::kViewFillView, ui::kPromptFillView)),
      m_pWholeData(MakeItem(parent, "actionViewWholeData", ui::kViewWholeData, ui::kPromptWholeData)) {
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
}
