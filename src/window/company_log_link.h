#pragma once
// The window's company log: where every entry the window commits is pushed afterwards, in
// the background, and where the site window reads every station's entries from. Named once
// through Panel > Company log... (remembered), or for one run at start.

#include <QObject>
#include <QString>
#include <optional>

#include "records/company_pull.h"

class CompanyLogWorker;
class Dialogs;
class QTextEdit;
class QWidget;

class CompanyLogLink : public QObject {
    Q_OBJECT

  public:
    // The commissioning log is the window's (it may change); the status box's tooltip says
    // whether the entries were pushed or wait, and why.
    CompanyLogLink(const std::optional<QString>& commissioning_log, QTextEdit& status,
                   QObject* parent);

    // The one given at start (--company-log, KVR_COMPANY_LOG) for this run, else the one
    // remembered. nullopt or empty: none. Setting one pushes what waits.
    void set_url(const std::optional<QString>& url);
    const std::optional<QString>& url() const { return url_; }
    // Panel > Company log...: asks for the URL, remembers it and uses it from now on; an
    // empty one clears it. Nothing changes when the operator cancels or the URL is refused.
    void choose(Dialogs& dialogs, QWidget* parent);
    // Pushes what waits in the commissioning log.
    void push();
    // Pulls every station's entries into the commissioning log; read_done says how it went.
    // Nothing without a company log.
    void read();

  signals:
    void read_done(const kvr::records::CompanyRead& read);

  private:
    void show_push(const QString& url, const kvr::records::CompanyPush& push);

    const std::optional<QString>& commissioning_log_;
    QTextEdit& status_;
    CompanyLogWorker* worker_ = nullptr;
    std::optional<QString> url_;
    QString tooltip_; // the last one shown, replaced by the next
};
