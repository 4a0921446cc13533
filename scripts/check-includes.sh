#!/usr/bin/env bash
# Fails when a source includes a folder that is not below its own: includes
# run one way, down the floors below. Each line names a folder and the
# folders its sources may include besides their own; a folder that is not
# listed (tests/, bench/, tools/) sits on top and may include any of them.
#
#   effect/          entry point, parameters, pre-render and render
#   renderer/   gradient_wheel/       (renderer/: drawing a frame with GL)
#   geometry/   gl/                   (a frame's geometry without GL; GL objects and the context)
#   host_support/    helpers over the host's API
#   host_api/   platform/            host/ stands beside the plug-in on these
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

status=0
while IFS= read -r file; do
  folder=${file%%/*}
  while IFS=: read -r line target; do
    target_folder=${target%%/*}
    if [ "$target" = "$target_folder" ] || [[ "$target" == ../* ]]; then
      echo "$file:$line: include \"$target\": name it from the repository root"
      status=1
      continue
    fi
    [ "$target_folder" = "$folder" ] && continue
    if [ -n "${allowed[$folder]+set}" ]; then
      if [[ " ${allowed[$folder]} " != *" $target_folder "* ]]; then
        echo "$file:$line: $folder/ may not include $target (it may include: ${allowed[$folder]:-nothing outside itself})"
        status=1
      fi
    elif [[ " $top_only " == *" $target_folder "* ]] && [ "$folder" != tests ]; then
      echo "$file:$line: $folder/ may not include $target"
      status=1
    fi
  done < <(grep -noE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^"]+"' "$file" |
             sed -E 's/^([0-9]+):.*"([^"]+)"/\1:\2/')
done < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h')

if [ "$status" -ne 0 ]; then
  echo "includes must run down the floors; see scripts/check-includes.sh" >&2
fi
exit "$status"
