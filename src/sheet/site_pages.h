#pragma once
// The pack's pages about the site as a whole, after the index: the findings across its
// panels, then the channel schedule that the control system's programmer works from.

#include <QStringList>
#include <vector>

#include "sheet/handover.h"
#include "sheet_drawing.h"

namespace kvr::sheet {

class SitePages {
  public:
    SitePages(const std::vector<HandoverPanel>& panels, const QStringList& findings);

    int page_count() const;
    // Paints page number (counted from 0 among these pages) of total in the pack.
    void paint(Page& page, int number) const;

  private:
    QStringList findings_;
    std::vector<ChannelUse> uses_;
};

} // namespace kvr::sheet
