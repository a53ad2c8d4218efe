#pragma once
// The pictures of the channel tree's nodes.
class QIcon;

// Indices of the three node pictures; a node with children shows the lowest
// index among them, so the worst state shows on every ancestor.
enum TNodeImage : int {
  NodeInvalid = 0,  // red prohibition sign: the text carries a marker
  NodeUsed = 1,     // yellow exclamation mark: a hardware block uses it
  NodeValid = 2,    // green check mark: valid and free
};

// The 16 x 16 picture for a TNodeImage index, painted once per run.
const QIcon& NodeIcon(int image);
