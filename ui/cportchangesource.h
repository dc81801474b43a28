#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace vantoro {

// Where the system says that serial ports may have come or gone. Each such hint calls the
// function given at creation; hints come in bursts, which the port-list watcher calms.
// Create gives the source of the system built for.
class CPortChangeSource : public QObject {
public:
    using HintFunction = std::function<void()>;

    // strDosDevicesFolder: the folder of comN links that name ports by number, where the system
    // keeps them there; empty for none.
    static std::unique_ptr<CPortChangeSource> Create(const QString& strDosDevicesFolder,
                                                     HintFunction fnHint);
    ~CPortChangeSource() override = default;

protected:
    explicit CPortChangeSource(HintFunction fnHint) : m_fnHint(std::move(fnHint)) {}
    void Hint() const { m_fnHint(); }

private:
    HintFunction m_fnHint;
};

} // namespace vantoro
