#pragma once

#include <QByteArray>

// The style sheet and the search script of an exported problem page, as the program carries
// them (written from core/exchange/page/ when the program is built).
const QByteArray& PageStyleSheet();
const QByteArray& PageScript();
