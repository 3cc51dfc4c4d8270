#pragma once
// Lists the system's serial ports through QSerialPortInfo, followed by ports the user named on the
// command line (virtual or remote ports the system does not list).

#include "link/PortLister.h"

#include <condition_variable>
#include <mutex>
#include <thread>

class TSystemPortLister : public TPortLister
{
public:
    explicit TSystemPortLister(QStringList extraPorts = {});
    ~TSystemPortLister() override;

    TSystemPortLister(const TSystemPortLister&) = delete;
    TSystemPortLister& operator=(const TSystemPortLister&) = delete;

    // The latest listing, then the extra ports. Never waits for the system: the listing runs on a
    // worker and this call asks it for a fresh one, taken by the next call.
    QStringList portNames() override;

private:
    void run();

    const QStringList m_extraPorts;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    QStringList m_latest;
    bool m_requested = true;
    bool m_stopping = false;
    std::thread m_worker;
};
