#pragma once

#include <QObject>
#include <QTimer>

namespace vantoro {

// Produces the engine's idle tick: once each time the UI thread's event queue has drained,
// and in addition every 250 ms while periodic ticks are asked for, so that a reply time-out is
// noticed even when no input arrives at all (also inside nested modal loops).
class CIdleTicker : public QObject {
    Q_OBJECT
public:
    static constexpr int kPeriodMs = 250;

    explicit CIdleTicker(QObject* pParent = nullptr);

    // Periodic ticks on or off; the queue-drained tick is always on.
    void SetPeriodic(bool bOn);
    bool IsPeriodic() const { return m_timer.isActive(); }

signals:
    void Tick();

private:
    void OnAboutToBlock();

    QTimer m_timer;
    bool m_bInTick = false;
};

} // namespace vantoro
