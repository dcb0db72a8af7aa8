grep -q "^ \*\*\* stopped -- No ZOG Filename \*\*\*$" out.txt || { echo "no stop message"; exit 1; }
