#pragma once

#include "platform/Tls.h"

#include <QString>

// The text of the box that asks whether to trust an FTP server's
// certificate: what is wrong with it, and what the operator compares with
// the host's own word before saying Yes.
QString certificateQuestion(const QString &host, const platform::tls::PeerCertificate &certificate);
