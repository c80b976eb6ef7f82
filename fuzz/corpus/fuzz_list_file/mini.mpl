jingle.wav
2.pause
$HOME/bin/run.sh
/dev/sr0/Track03.cda
nested.mpl
café latin.wav   
