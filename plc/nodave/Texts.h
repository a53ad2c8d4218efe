#pragma once
// Whether daveStrerror has a text of its own for a code; codes made from a
// number the other side sent (COTP reason, adapter error) are only used when
// it does, so that every code the library returns can be explained.

namespace nodave {

bool HasText(int code);

}  // namespace nodave
