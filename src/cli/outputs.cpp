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

// The nearest of path and the folders above it that is there (or is a link), as given.
QString nearest_existing(const QString& path) {
    QString at = path;
    while (!QFileInfo::exists(at) && !QFileInfo(at).isSymLink()) {
        const QString up = QFileInfo(at).path();
        if (up == at) break;
        at = up;
    }
    return at;
}

// Why no folder is at path, or is to be made there: a folder above it that is a file or a
// link that leads nowhere, or (when it must exist) its absence. Empty when there is one.
QString folder_problem(const QString& path, bool may_be_made) {
    const QString at = nearest_existing(path);
    const QFileInfo found(at);
    const QString shown = QDir::toNativeSeparators(at);
    if (found.isSymLink() && !found.exists())
        return QStringLiteral("%1 is a link that leads nowhere").arg(shown);
    if (found.exists() && !found.isDir()) return QStringLiteral("%1 is not a folder").arg(shown);
    if (at != path && !may_be_made)
        return QStringLiteral("the folder %1 does not exist").arg(QDir::toNativeSeparators(path));
    if (!os::may_create_in(at)) return QStringLiteral("the folder %1 cannot be written").arg(shown);
    return {};
}

// Why a file could not be created at path, checked on its folder and its name.
QString creation_refusal(const QString& path) {
    const QFileInfo target(path);
    if (const QString problem = folder_problem(target.path(), false); !problem.isEmpty())
        return problem;
    const qsizetype longest = os::longest_file_name(target.absolutePath());
    if (longest > 0 && QFile::encodeName(target.fileName()).size() > longest)
        return QStringLiteral("the file name is longer than %1 bytes").arg(longest);
    if (const std::optional<QString> refusal = refusal_to_replace(path)) return *refusal;
    return {};
}

// Why files could not be saved in the folder at path, made first when it is missing.
QString folder_refusal(const QString& path) {
    if (path == kStandardStream)
        return QStringLiteral("-o - would be standard output, which cannot take a folder of "
                              "files: name a folder");
    return folder_problem(path, true);
}

// What no output replaces, whatever the run reads: the site file of the output's folder
// (the sheet, the pack and export read it), and, unless the output is a configuration, a
// configuration file.
QString kept_file(const QString& path, bool is_configuration) {
    const QFileInfo target(path);
    const QString site_file = target.dir().filePath(site::kSiteFileName);
    if (target.fileName().compare(site::kSiteFileName, Qt::CaseInsensitive) == 0 ||
        (QFileInfo::exists(site_file) && file_identity(site_file) == file_identity(path)))
        return QStringLiteral("it is the site file of its folder");
    if (!is_configuration && target.fileName().endsWith(QLatin1String(".kcf"), Qt::CaseInsensitive))
        return QStringLiteral("it is named as a configuration file (.kcf)");
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
    struct Output {
        QString name;
        QString identity;
        bool configuration;
    };
    std::vector<Output> outputs;
    if (invocation.output && !output_to_stdout)
        outputs.push_back({*invocation.output, file_identity(*invocation.output),
                           invocation.output_is_configuration});
    if (!invocation.trace.isEmpty())
        outputs.push_back({invocation.trace, file_identity(invocation.trace), false});
    if (invocation.report)
        outputs.push_back({*invocation.report, file_identity(*invocation.report), false});

    for (std::size_t o = 0; o < outputs.size(); ++o) {
        for (const auto& [name, identity] : inputs)
            if (identity == outputs[o].identity)
                return QStringLiteral("%1 would overwrite the input %2").arg(outputs[o].name, name);
        if (const QString kept = kept_file(outputs[o].name, outputs[o].configuration);
            !kept.isEmpty())
            return QStringLiteral("%1 is not written: %2").arg(outputs[o].name, kept);
        for (std::size_t other = o + 1; other < outputs.size(); ++other)
            if (outputs[other].identity == outputs[o].identity)
                return QStringLiteral("two outputs name the same file %1").arg(outputs[o].name);
    }
    for (const std::optional<QString>& created :
         {output_to_stdout ? std::nullopt : invocation.output, invocation.report}) {
        if (!created) continue;
        const QString refusal = creation_refusal(*created);
        if (!refusal.isEmpty()) return QStringLiteral("%1 cannot be written: %2").arg(*created, refusal);
    }
    return {};
}

} // namespace kvr::cli
