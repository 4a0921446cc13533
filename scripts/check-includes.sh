#!/usr/bin/env bash
# Fails when a source includes a folder that is not below its own: includes
# run one way, down the floors below. Each line names a folder and the
# folders its sources may include besides their own; a folder that is not
# listed (tests/, bench/, tools/) sits on top and may include any of them.
# An include of a project folder is judged alike whether it is written
# "folder/file.h" or <folder/file.h>.
#
#   effect/                      entry point, parameters, pre-render and render
#   renderer/   gradient_wheel/  drawing a frame with GL; the "Gradient Wheel"
#   geometry/                    a frame's geometry, without GL
#   host_support/   gl/          helpers over the host's API; GL objects and the context
#   host_api/   platform/        host/ stands beside the plug-in on these
#
# Each library also links exactly the libraries of the folders it includes:
# the tarvolk_ targets its folder's CMakeLists.txt names are those folders'.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A allowed=(
  [host_api]=""
  [platform]=""
  [host_support]="host_api"
  [gl]="platform"
  [geometry]="host_support host_api"
  [renderer]="geometry gl host_support host_api"
  [gradient_wheel]="host_support host_api"
  [effect]="renderer geometry gradient_wheel platform host_support host_api"
  [host]="host_api platform"
)
# Nothing in the product may reach into these.
top_only="tests bench tools"
project_folders="${!allowed[*]} $top_only shaders"

# The library each folder builds, as CMake names it.
declare -A library=(
  [host_api]=tarvolk_host_api
  [platform]=tarvolk_platform
  [host_support]=tarvolk_host_support
  [gl]=tarvolk_gl
  [geometry]=tarvolk_geometry
  [renderer]=tarvolk_renderer
  [gradient_wheel]=tarvolk_gradient
  [effect]=tarvolk_effect
  [host]=tarvolk_simhost
)

status=0
declare -A included=()
while IFS= read -r file; do
  folder=${file%%/*}
  while IFS=: read -r line quote target; do
    target_folder=${target%%/*}
    if [ "$quote" = '<' ]; then
      # A system header, unless it names a project folder.
      [ "$target" != "$target_folder" ] || continue
      [[ " $project_folders " == *" $target_folder "* ]] || continue
    elif [ "$target" = "$target_folder" ] || [[ "$target" == ../* ]]; then
      echo "$file:$line: include \"$target\": name it from the repository root"
      status=1
      continue
    fi
    [ "$target_folder" = "$folder" ] && continue
    included[$folder]+=" $target_folder"
    if [ -n "${allowed[$folder]+set}" ]; then
      if [[ " ${allowed[$folder]} " != *" $target_folder "* ]]; then
        echo "$file:$line: $folder/ may not include $target (it may include: ${allowed[$folder]:-nothing outside itself})"
        status=1
      fi
    elif [[ " $top_only " == *" $target_folder "* ]] && [ "$folder" != tests ]; then
      echo "$file:$line: $folder/ may not include $target"
      status=1
    fi
  done < <(grep -noE '^[[:space:]]*#[[:space:]]*include[[:space:]]+("[^"]+"|<[^>]+>)' "$file" |
             sed -E 's/^([0-9]+):[^"<]*(["<])([^">]+)[">]$/\1:\2:\3/')
done < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h')

# A folder's links against the folders it includes.
sorted() { tr ' ' '\n' | sed '/^$/d' | sort -u | tr '\n' ' '; }
for folder in "${!library[@]}"; do
  cmake_file=$folder/CMakeLists.txt
  [ -f "$cmake_file" ] || continue
  links=""
  for other in "${!library[@]}"; do
    [ "$other" = "$folder" ] && continue
    if grep -v '^[[:space:]]*#' "$cmake_file" | grep -qE "(^|[^a-z_])${library[$other]}([^a-z_]|$)"; then
      links+=" $other"
    fi
  done
  want=$(echo "${included[$folder]:-}" | sorted)
  have=$(echo "$links" | sorted)
  if [ "$want" != "$have" ]; then
    echo "$cmake_file: links the libraries of: ${have:-nothing}; its sources include: ${want:-nothing}"
    status=1
  fi
done

if [ "$status" -ne 0 ]; then
  echo "includes must run down the floors, and each library link what it includes; see scripts/check-includes.sh" >&2
fi
exit "$status"
