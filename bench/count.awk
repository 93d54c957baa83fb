# The same counting as crawlmeter-report in plain awk, for the speed comparison: page views,
# distinct addresses per hour-run and the six crawlers per hour, for one log with LF line ends.
{
  space = index($0, " ")
  if (!space) next
  address = substr($0, 1, space - 1)
  rest = substr($0, space)
  colon = index(rest, ":")
  if (!colon) next
  hourText = substr(rest, colon + 1, 2)
  if (hourText !~ /^[0-9][0-9]?$/ || hourText + 0 > 24) next
  hour = hourText + 0
  if (hourText != lastHour) { split("", seen); lastHour = hourText }
  if (!(address in seen)) { seen[address] = 1; ip[hour]++ }
  pv[hour]++
  if (index(rest, "Baiduspider")) baidu[hour]++
  else if (index(rest, "Googlebot")) google[hour]++
  else if (index(rest, "Yahoo! Slurp")) yahoo[hour]++
  else if (index(rest, "Sogou web spider")) sogou[hour]++
  else if (index(rest, "YoudaoBot")) youdao[hour]++
  else if (index(rest, "msnbot")) bing[hour]++
}
END {
  for (h = 0; h < 24; h++) {
    tpv += pv[h]; tip += ip[h]; tbaidu += baidu[h]
  }
  print "pv", tpv, "ip", tip, "baidu", tbaidu
}
