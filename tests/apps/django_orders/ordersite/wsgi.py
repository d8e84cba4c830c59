"""WSGI config for the order site."""
import os

from django.core.wsgi import get_wsgi_application

os.environ.setdefault('DJANGO_SETTINGS_MODULE', 'ordersite.settings')

application = get_wsgi_application()
