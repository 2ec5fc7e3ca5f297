#include "importfiles/ImportChoiceRunnable.h"

#include "importfiles/ImportRules.h"


#include <algorithm>
#include <thread>
#include <vector>

namespace {

// A share answers one stat at a time per request: several in flight cut the wait.
constexpr int kReaders = 8;
constexpr int kFilesPerReader = 64;

} // namespace

ImportChoiceRunnable::ImportChoiceRunnable(const QStringList &paths, const QString &orderFolder,
                                           ImportFileType type, int orderRow, int generation,
                                           const QStringList &selectedNames)
    : m_paths(paths)
    , m_orderFolder(orderFolder)
    , m_type(type)
    , m_orderRow(orderRow)
    , m_generation(generation)
    , m_selectedNames(selectedNames)
{
    qRegisterMetaType<ImportChoiceRunnable::Choice>();
    setAutoDelete(true);
}

void ImportChoiceRunnable::run()
{
    emit choiceRead(m_orderRow, m_generation,
                    read(m_paths, m_orderFolder, m_type, m_orderRow, m_generation, m_selectedNames));
}

ImportChoiceRunnable::Choice ImportChoiceRunnable::read(const QStringList &paths, const QString &orderFolder,
                                                        ImportFileType type, int orderRow, int generation,
                                                        const QStringList &selectedNames)
{
    Choice choice;
    const int count = paths.size();
    std::vector<ImportFile> files(size_t(std::max(count, 0)));
    const auto readRange = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            files[size_t(i)] = ImportRules::makeFile(paths.at(i), orderFolder, type, orderRow, i);
            files[size_t(i)].generation = generation;
        }
    };
    const int readers = std::min(kReaders, (count + kFilesPerReader - 1) / kFilesPerReader);
    if (readers <= 1) {
        readRange(0, count);
    } else {
        std::vector<std::thread> threads;
        const int slice = (count + readers - 1) / readers;
        for (int r = 0; r < readers; ++r)
            threads.emplace_back(readRange, r * slice, std::min(count, (r + 1) * slice));
        for (std::thread &thread : threads)
            thread.join();
    }
    choice.files.reserve(count);
    for (ImportFile &file : files)
        choice.files.append(std::move(file));
    choice.colliding = ImportRules::collidingNames(choice.files);
    if (type == RetouchedFiles)
        choice.mismatched = ImportRules::mismatchedNames(paths, selectedNames);
    return choice;
}
