#pragma once

#include <QObject>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace vantoro {

class CPreparedCodeFile;

class IUpdateWindow;

// Reads a code file for Start on a thread of its own, so that the window stays live through a
// long file: the Status line shows how far it got, and Cancel stops the reading and puts the
// window back as it was.
class CFileCheckRunner : public QObject {
    Q_OBJECT
public:
    CFileCheckRunner(IUpdateWindow& window, QObject* pParent = nullptr);
    ~CFileCheckRunner() override; // stops and waits for the thread

    // strIdleStatus and strIdleAction are shown again if the reading is stopped.
    void Start(const std::string& strPath, std::string strIdleStatus, std::string strIdleAction);
    void Cancel() { m_bCancel.store(true); }
    bool IsRunning() const { return m_thread.joinable(); }
    // After a completed Finished: the file read.
    std::unique_ptr<CPreparedCodeFile> TakeFile() { return std::move(m_pFile); }

signals:
    // The file is read: TakeFile has it for Start.
    void Completed();

private:
    void Run(std::string strPath);
    void OnDone(bool bCompleted);
    void ShowProgress(int nPercent);

    IUpdateWindow& m_window;
    std::string m_strName;
    std::string m_strIdleStatus;
    std::string m_strIdleAction;
    std::thread m_thread;
    std::atomic<bool> m_bCancel{false};
    std::unique_ptr<CPreparedCodeFile> m_pFile;
};

} // namespace vantoro
