#pragma once

#include <QToolBar>
#include <cstddef>
#include <optional>

class QAction;
class QCheckBox;
class QLabel;
class QSlider;
class QSpinBox;
class QTimer;

// The frames of a time series: a slider, a step back and forward (Bild auf, Bild ab), playback
// (space) at a chosen rate, and the frame's number. Hidden while the data set has one frame, so
// that a single field is shown as it always was.
class CFrameBar : public QToolBar {
    Q_OBJECT
public:
    explicit CFrameBar(QWidget* parent);

    // COUNT frames, the first shown; the bar shows itself from two frames on and stops playing.
    void SetFrameCount(int count);
    int FrameCount() const { return m_count; }
    int Frame() const;
    bool Playing() const;
    QAction* PreviousAction() const { return m_pPrevious; }
    QAction* NextAction() const { return m_pNext; }
    QAction* PlayAction() const { return m_pPlay; }
    // Whether each frame starts from the streamlines of the one shown before (Stromlinien
    // mitführen); shown as the settings have it, without a signal.
    void ShowCoherent(bool on);
    QCheckBox* CoherentBox() const { return m_pCoherent; }
    // Whether the colours span each frame's own values (Farbskala je Bild) or those of the whole
    // series; shown as the settings have it, without a signal. A choice from two frames on.
    void ShowFrameRange(bool eachFrame);
    QCheckBox* RangeBox() const { return m_pRange; }

signals:
    // The user (or playback) chose FRAME; the receiver shows it.
    void frameChosen(int frame);
    // The user switched the carrying of streamlines from frame to frame.
    void coherentChosen(bool on);
    // The user switched between each frame's colour range and the series'.
    void frameRangeChosen(bool eachFrame);

private:
    void Choose(int frame);
    void ShowNumber();

    QSlider* m_pSlider = nullptr;
    QSpinBox* m_pRate = nullptr;
    QLabel* m_pNumber = nullptr;
    QCheckBox* m_pCoherent = nullptr;
    QCheckBox* m_pRange = nullptr;
    QTimer* m_pTimer = nullptr;
    QAction* m_pPrevious = nullptr;
    QAction* m_pNext = nullptr;
    QAction* m_pPlay = nullptr;
    int m_count = 1;
};

// The status bar's words for frame SHOWN (from 0) of COUNT, with the time its file gives it:
// "Bild 3 von 11, t = 0,2", in the file's own unit of time.
QString FrameStatusText(std::size_t shown, std::size_t count, std::optional<double> time);
