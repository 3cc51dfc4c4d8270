#include "link/SystemPortLister.h"

#include <QSerialPortInfo>

namespace {

// The name as the user of this system knows it and as the serial port opens it.
QString userPortName(const QSerialPortInfo& info)
{
#ifdef Q_OS_WIN
    return info.portName();
#else
    return info.systemLocation();
#endif
}

QStringList listSystemPorts()
{
    // The system's device libraries are not documented as safe for concurrent use; two listers
    // (a test creating several links) take turns.
    static std::mutex listingMutex;
    std::lock_guard lock(listingMutex);
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString name = userPortName(info);
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

QStringList nonEmpty(QStringList names)
{
    names.removeAll(QString());
    return names;
}

} // namespace

// Asking the system takes several milliseconds, too long for the user-interface thread once a
// second; the first listing starts right away so the first scan finds it ready.
TSystemPortLister::TSystemPortLister(QStringList extraPorts)
    : m_extraPorts(nonEmpty(std::move(extraPorts))), m_worker([this] { run(); })
{
}

TSystemPortLister::~TSystemPortLister()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_worker.join();
}

QStringList TSystemPortLister::portNames()
{
    QStringList names;
    {
        std::lock_guard lock(m_mutex);
        names = m_latest;
        m_requested = true;
    }
    m_wake.notify_one();
    names.append(m_extraPorts);
    return names;
}

void TSystemPortLister::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_requested || m_stopping; });
        if (m_stopping)
            return;
        m_requested = false;
        lock.unlock();
        QStringList names = listSystemPorts();
        lock.lock();
        m_latest = std::move(names);
    }
}
