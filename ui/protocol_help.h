#pragma once

#include <QString>

namespace stepbench {

// The "通讯协议" page: the link settings, and for every command the request and the device's reply
// side by side, written from the protocol table the virtual device answers from.
QString ProtocolHelpHtml();

} // namespace stepbench
