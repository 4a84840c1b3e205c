#include "qt/QtHost.h"

#include "qt/DialogFilters.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#ifdef __linux__
#include <sys/resource.h>
#endif

namespace ravelin {
namespace {

QMessageBox::Icon iconFor(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Information:
        return QMessageBox::Information;
    case MessageKind::Warning:
        return QMessageBox::Warning;
    case MessageKind::Error:
        return QMessageBox::Critical;
    case MessageKind::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QString titleFor(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Information:
        return QStringLiteral("Information");
    case MessageKind::Warning:
        return QStringLiteral("Warning");
    case MessageKind::Error:
        return QStringLiteral("Error");
    case MessageKind::Confirmation:
        return QStringLiteral("Confirm");
    }
    return {};
}

MessageAnswer dismissedAnswer(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok:
        return MessageAnswer::Ok;
    case MessageButtons::YesNo:
        return MessageAnswer::No;
    }
    return MessageAnswer::Ok;
}

QString fromStd(const std::string &text)
{
    return QString::fromStdString(text);
}

// The dialog names the chosen filter without its patterns while it hides them.
qsizetype indexOfFilter(const QStringList &filters, const QString &chosen)
{
    for (qsizetype i = 0; i < filters.size(); ++i) {
        const QString &filter = filters[i];
        if (filter == chosen || filter.left(filter.indexOf(QLatin1String(" ("))) == chosen)
            return i;
    }
    return -1;
}

} // namespace

QtHost::~QtHost()
{
    restoreProcessPriority();
}

std::uint64_t QtHost::nowUs() const
{
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(since).count());
}

void QtHost::sleepUs(std::uint64_t us)
{
    std::this_thread::sleep_for(std::chrono::microseconds(us));
}

void QtHost::pumpMessages()
{
    QCoreApplication::processEvents();
}

void QtHost::idleWait(std::uint64_t maxUs)
{
    // Rest until an event arrives (a click, a paint, the window's timer) or the
    // bound passes, whichever is first; a precise timer is the bound, as a
    // coarse one may fire late by 5 %.
    const std::uint64_t ms = maxUs / 1000;
    if (!QCoreApplication::instance() || ms == 0) {
        sleepUs(maxUs);
        QCoreApplication::processEvents();
        return;
    }
    QTimer bound;
    bound.setSingleShot(true);
    bound.setTimerType(Qt::PreciseTimer);
    bound.start(static_cast<int>(std::min<std::uint64_t>(ms, 60'000)));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

MessageAnswer QtHost::messageBox(const MessageBoxRequest &request)
{
    const MessageAnswer dismissed = dismissedAnswer(request.buttons);
    if (m_windowClosed)
        return dismissed;

    // On the heap and watched: the window (its parent) may go while it is open.
    QPointer<QMessageBox> box = new QMessageBox(m_window);
    box->setIcon(iconFor(request.kind));
    box->setWindowTitle(titleFor(request.kind));
    box->setTextFormat(Qt::PlainText);
    box->setText(fromStd(request.text));
    switch (request.buttons) {
    case MessageButtons::Ok:
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Ok);
        break;
    case MessageButtons::YesNo:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(request.defaultNo ? QMessageBox::No : QMessageBox::Yes);
        box->setEscapeButton(QMessageBox::No);
        break;
    }
    if (request.position)
        box->move(request.position->left, request.position->top);

    const int result = box->exec();
    if (!box)
        return dismissed;
    delete box.data();
    switch (result) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
}

std::optional<std::string> QtHost::runOpenDialog(FileDialogState &dialog)
{
    return runFileDialog(dialog, false);
}

std::optional<std::string> QtHost::runSaveDialog(FileDialogState &dialog)
{
    return runFileDialog(dialog, true);
}

std::optional<std::string> QtHost::runFileDialog(FileDialogState &state, bool save)
{
    if (m_windowClosed)
        return std::nullopt;

    QPointer<QFileDialog> dialog = new QFileDialog(m_window);
    // Qt's own dialog everywhere: the platform's may ignore the case-blind filters.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    if (save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setOption(QFileDialog::DontConfirmOverwrite, !state.askOverwrite);
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(state.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    }

    const QStringList filters = qtNameFilters(state.filter);
    dialog->setNameFilters(filters);
    if (!filters.isEmpty()) {
        // An index outside the list picks the first entry.
        const qsizetype index = state.filterIndex - 1;
        dialog->selectNameFilter(filters[index >= 0 && index < filters.size() ? index : 0]);
    }
    dialog->setDefaultSuffix(fromStd(state.defaultExt));
    dialog->setDirectory(
        state.initialDir.empty() ? QDir::currentPath() : fromStd(state.initialDir));
    if (!state.fileName.empty())
        dialog->selectFile(fromStd(state.fileName));

    const int result = dialog->exec();
    if (!dialog)
        return std::nullopt;
    const QStringList chosen = dialog->selectedFiles();
    const qsizetype filterIndex = indexOfFilter(filters, dialog->selectedNameFilter());
    delete dialog.data();
    if (result != QDialog::Accepted || chosen.isEmpty())
        return std::nullopt;

    QString name = chosen.first();
    if (QFileInfo(name).suffix().isEmpty() && !state.defaultExt.empty())
        name += QLatin1Char('.') + fromStd(state.defaultExt);
    state.fileName = name.toStdString();
    if (filterIndex >= 0)
        state.filterIndex = static_cast<int>(filterIndex) + 1;
    state.initialDir = QFileInfo(name).absolutePath().toStdString();
    return state.fileName;
}

bool QtHost::raiseProcessPriority()
{
#ifdef __linux__
    // Only as far as the user may: the lowest nice value RLIMIT_NICE allows.
    // A real-time policy could starve the desktop if a command hangs.
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, 0);
    if (current == -1 && errno != 0)
        return false;
    if (!m_savedNice)
        m_savedNice = current;
    rlimit limit {};
    if (getrlimit(RLIMIT_NICE, &limit) != 0)
        return false;
    // The ceiling is 20 - rlim_cur, so 0 (the usual default) allows nothing.
    const rlim_t ceiling
        = limit.rlim_cur == RLIM_INFINITY ? 40 : std::min<rlim_t>(limit.rlim_cur, 40);
    const int lowest = std::clamp(20 - static_cast<int>(ceiling), -20, 19);
    if (lowest >= current)
        return true;
    if (setpriority(PRIO_PROCESS, 0, lowest) == 0)
        return true;
    return errno == EACCES || errno == EPERM;
#else
    return true;
#endif
}

void QtHost::restoreProcessPriority()
{
#ifdef __linux__
    if (!m_savedNice)
        return;
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, 0);
    if (!(current == -1 && errno != 0) && current != *m_savedNice)
        setpriority(PRIO_PROCESS, 0, *m_savedNice);
#endif
    m_savedNice.reset();
}

} // namespace ravelin
