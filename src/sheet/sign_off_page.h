#pragma once
// The pack's last page: the site handed over, how many of its panels the log proves, and
// the boxes the installer and the customer sign and print their names in.

#include <QDateTime>
#include <vector>

#include "sheet/handover.h"
#include "sheet_drawing.h"

namespace kvr::sheet {

void draw_sign_off_page(Page& page, const std::vector<HandoverPanel>& panels, const SheetSite& site,
                        const QDateTime& drawn);

} // namespace kvr::sheet
