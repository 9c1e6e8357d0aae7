#pragma once
#include <windows.h>
#include <string>
#include <vector>

#include "bench/payload_recipe.h"

// The last-write time that the benchmark gives the recipe's member `index`, in the
// archive and in the source tree of the peer installers alike.
FILETIME RecipeTime(size_t index);

// Writes the recipe's tree below `folder` with each file's time: the source that the
// peer installers are made from.
bool WriteRecipeTree(const std::vector<RecipeMember>& recipe, const std::wstring& folder);

// Compares an unpacked tree with the recipe: every file byte for byte and its last-write
// time, and with `folderTimes` every folder's time too. Empty when all agree, else the
// first difference.
std::string CheckRecipeTree(const std::vector<RecipeMember>& recipe, const std::wstring& folder, bool folderTimes);

