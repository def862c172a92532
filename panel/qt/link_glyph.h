// The link toggles' chain glyph and the words that say what they do.
#pragma once

class QAbstractButton;
class QString;

// Gives a link toggle a chain glyph (two links apart while released, joined while pressed), and
// a tooltip and accessible description "Link the two <pair> sliders". The caption and the
// toggle's rectangle stay as they are.
void dressLinkToggle(QAbstractButton* toggle, const QString& pairName);
