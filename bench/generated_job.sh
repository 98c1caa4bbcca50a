# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the benchmarks that run a job over a generated network: the four
# volume roots of its two servers, and job_ini FILE, which writes settings
# that walk each of them recursively with a selection matching no file (Or,
# the pattern *.zzz alone), so that every file is listed and none purged.
paths=('\\GEN1\VOL1' '\\GEN1\VOL2' '\\GEN2\VOL1' '\\GEN2\VOL2')

job_ini() {
  {
    printf '%s\r\n' '[Config]' 'CheckBoxSizeUpperLimit=0' 'CheckBoxSizeLowerLimit=0' 'CheckBoxAge=0' \
      'RadioGroupLogic=0' 'CheckBoxFilePatterns=1' '[Config MemoExtList]' '0=*.zzz' '[CheckListBoxQ]'
    for i in "${!paths[@]}"; do printf '%s=%s\r\n' "$i" "${paths[$i]}"; done
    printf '[CheckListBoxQ Checked]\r\n'
    for p in "${paths[@]}"; do printf '%s=1\r\n' "$p"; done
  } > "$1"
}
