#include "cli/outputs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <utility>
#include <vector>

#include "files/configuration_file_io.h"
#include "site/site_file.h"
#include "system/system.h"

namespace kvr::cli {

namespace {

// Why a file could not be created at path, checked on its folder and its name.
QString creation_refusal(const QString& path) {
    const QFileInfo target(path);
    const QString folder = target.absolutePath();
    if (!QFileInfo(folder).isDir())
        return QStringLiteral("the folder %1 does not exist").arg(folder);
    if (!os::may_create_in(folder))
        return QStringLiteral("the folder %1 cannot be written").arg(folder);
    const qsizetype longest = os::longest_file_name(folder);
    if (longest > 0 && QFile::encodeName(target.fileName()).size() > longest)
        return QStringLiteral("the file name is longer than %1 bytes").arg(longest);
    if (const std::optional<QString> refusal = refusal_to_replace(path)) return *refusal;
    return {};
}

// Why files could not be saved in the folder at path, made first when it is missing.
QString folder_refusal(const QString& path) {
    const QFileInfo folder(path);
    if (folder.exists() && !folder.isDir()) return QStringLiteral("%1 is not a folder").arg(path);
    const QString writable = folder.exists() ? path : folder.absolutePath();
    if (!QFileInfo(writable).isDir())
        return QStringLiteral("the folder %1 does not exist").arg(writable);
    if (!os::may_create_in(writable))
        return QStringLiteral("the folder %1 cannot be written").arg(writable);
    return {};
}

} // namespace

QString file_identity(const QString& path) {
    return os::file_identity(path);
}

QString output_refusal(const Invocation& invocation) {
    if (invocation.files.count(kStandardStream) > 1)
        return QStringLiteral("standard input (-) can be read only once");
    const bool output_to_stdout = invocation.output == kStandardStream;
    if (output_to_stdout && (invocation.json || invocation.json_lines))
        return QStringLiteral("-o - and --json%1 both want standard output")
            .arg(invocation.json_lines ? QStringLiteral("-lines") : QString());

    std::vector<std::pair<QString, QString>> inputs; // name, identity
    for (const QString& file : invocation.files) {
        if (file == kStandardStream) continue;
        inputs.emplace_back(file, file_identity(file));
        // A folder's configuration files and its site file are inputs too (handover, export).
        const QDir folder(file);
        if (QFileInfo(file).isDir())
            for (const QString& name :
                 folder.entryList({QStringLiteral("*.kcf"), site::kSiteFileName}, QDir::Files))
                inputs.emplace_back(folder.filePath(name), file_identity(folder.filePath(name)));
    }
    // Never drawn or traced over: it holds every panel's record.
    if (invocation.log) inputs.emplace_back(*invocation.log, file_identity(*invocation.log));
    for (const QString& port : invocation.ports)
        inputs.emplace_back(port, file_identity(port_path(port)));
    if (invocation.output_is_folder) return folder_refusal(*invocation.output);
    std::vector<std::pair<QString, QString>> outputs;
    if (invocation.output && !output_to_stdout)
        outputs.emplace_back(*invocation.output, file_identity(*invocation.output));
    if (!invocation.trace.isEmpty())
        outputs.emplace_back(invocation.trace, file_identity(invocation.trace));

    for (std::size_t o = 0; o < outputs.size(); ++o) {
        for (const auto& [name, identity] : inputs)
            if (identity == outputs[o].second)
                return QStringLiteral("%1 would overwrite the input %2")
                    .arg(outputs[o].first, name);
        for (std::size_t other = o + 1; other < outputs.size(); ++other)
            if (outputs[other].second == outputs[o].second)
                return QStringLiteral("-o and --trace name the same file %1").arg(outputs[o].first);
    }
    if (invocation.output && !output_to_stdout) {
        const QString refusal = creation_refusal(*invocation.output);
        if (!refusal.isEmpty())
            return QStringLiteral("%1 cannot be written: %2").arg(*invocation.output, refusal);
    }
    return {};
}

} // namespace kvr::cli
