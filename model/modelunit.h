#pragma once

// The length unit a file states for its coordinates, where its format has
// one (glTF: metres; 3MF: its unit attribute). PLY, OBJ, STL and OFF state
// none.

enum class ModelUnit { none, micron, millimeter, centimeter, inch, foot, meter };

// The unit's name, "millimeter" and so on; "none" for none.
const char* unitName(ModelUnit unit);
// The unit of that name ("millimeter" and so on, as 3MF writes them); none
// for any other text.
ModelUnit unitNamed(const char* name);
// Its short form, "mm" and so on ("µm" in UTF-8 for the micron); empty for
// none.
const char* unitSymbol(ModelUnit unit);
